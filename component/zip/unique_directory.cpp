#include "zip/unique_directory.h"

#include "common/file_system.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cwchar>

namespace kb {

std::wstring uniqueDirectoryName(const LocalTime& when, int n) {
    wchar_t name[40];
    std::swprintf(name, 40, L"CL%04d%02d%02d-%02d%02d%02d-%d", when.year, when.month, when.day, when.hour,
                  when.minute, when.second, n);
    return name;
}

int uniqueNumber(double r) {
    double x = r * 10000.0 - 1.0;
    double whole = std::floor(x);
    double fraction = x - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return static_cast<int>(whole);
}

namespace {

uint64_t splitmix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

double freshUniformDraw() {
    static std::atomic<uint64_t> counter{0};
    LARGE_INTEGER ticks;
    ::QueryPerformanceCounter(&ticks);
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    uint64_t state = static_cast<uint64_t>(ticks.QuadPart);
    state ^= (static_cast<uint64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) * 0x2545F4914F6CDD1Dull;
    state ^= static_cast<uint64_t>(::GetCurrentProcessId()) << 40;
    state ^= static_cast<uint64_t>(::GetCurrentThreadId()) << 20;
    state ^= counter.fetch_add(1) * 0xD1B54A32D192ED03ull;
    splitmix64(state);
    return static_cast<double>(splitmix64(state) >> 11) * 0x1.0p-53;
}

MakeResult tryMakeDirectory(const std::wstring& path) {
    if (::CreateDirectoryW(path.c_str(), nullptr)) return MakeResult::Created;
    return ::GetLastError() == ERROR_ALREADY_EXISTS ? MakeResult::AlreadyExists : MakeResult::Failed;
}

std::wstring makeUniqueDirectory(const std::wstring& root, const UniqueDirectorySources& sources) {
    for (int attempt = 0; attempt <= kUniqueDirectoryRetries; ++attempt) {
        std::wstring name = uniqueDirectoryName(sources.clock(), uniqueNumber(sources.draw()));
        switch (sources.make(root + name)) {
        case MakeResult::Created: return name;
        case MakeResult::AlreadyExists: continue;
        case MakeResult::Failed: return {};
        }
    }
    return {};
}

HeldDirectory makeHeldDirectory(const std::wstring& root) {
    HeldDirectory held;
    for (int attempt = 0; attempt <= kUniqueDirectoryRetries; ++attempt) {
        held.name = makeUniqueDirectory(root);
        if (held.name.empty()) return held;
        held.hold = holdDirectory(root + held.name);
        if (held.hold) return held;
    }
    held.name.clear();
    return held;
}

}  // namespace kb
