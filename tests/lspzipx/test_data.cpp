#include "test_data.h"

#include <cstring>

namespace lsz::test {

namespace {

uint32_t next(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 24;
}

}  // namespace

std::vector<uint8_t> compressibleBytes(size_t size, uint32_t seed) {
    static const char* words[] = {"alpha ", "beta ", "gamma ", "delta\n", "epsilon ", "zeta ", "eta, ", "theta. "};
    std::vector<uint8_t> out;
    out.reserve(size + 16);
    while (out.size() < size) {
        const char* w = words[next(seed) % 8];
        out.insert(out.end(), w, w + strlen(w));
        if (next(seed) % 5 == 0) out.push_back(static_cast<uint8_t>('0' + next(seed) % 10));
    }
    out.resize(size);
    return out;
}

std::vector<uint8_t> noiseBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> out(size);
    for (auto& b : out) b = static_cast<uint8_t>(next(seed));
    return out;
}

}  // namespace lsz::test
