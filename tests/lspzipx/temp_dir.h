// A scratch directory for one test, removed with everything in it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lsz::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory, ending in a backslash.
    const std::wstring& path() const { return path_; }
    // Writes a file below the directory, creating its parent directories.
    std::wstring write(const std::wstring& relative, const std::vector<uint8_t>& bytes) const;
    std::wstring write(const std::wstring& relative, const std::string& text) const;
    // The names directly in a directory below this one ("" for itself).
    std::vector<std::wstring> names(const std::wstring& relative = L"") const;

private:
    std::wstring path_;
};

std::string ansi(const std::wstring& s);

// Text that deflate shrinks, and noise that it does not, both the same on
// every run.
std::vector<uint8_t> compressibleBytes(size_t size, uint32_t seed);
std::vector<uint8_t> noiseBytes(size_t size, uint32_t seed);

}  // namespace lsz::test
