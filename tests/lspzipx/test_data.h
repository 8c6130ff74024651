// Content for the library's tests: text that deflate shrinks and noise that
// it does not, both the same on every run.
#pragma once

#include <cstdint>
#include <vector>

namespace lsz::test {

std::vector<uint8_t> compressibleBytes(size_t size, uint32_t seed);
std::vector<uint8_t> noiseBytes(size_t size, uint32_t seed);

}  // namespace lsz::test
