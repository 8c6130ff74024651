// A fresh directory for one test, removed with everything in it afterwards.
// Every test program of the tree uses it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kb::test {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Ends in a backslash.
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + name; }

    void makeFile(const std::wstring& name, const std::string& content = "",
                  DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
    void makeDirectory(const std::wstring& name, DWORD attributes = 0) const;
    bool exists(const std::wstring& name) const;
    // Writes a file below the directory, creating its parent directories;
    // returns its full path.
    std::wstring write(const std::wstring& relative, const std::vector<uint8_t>& bytes) const;
    std::wstring write(const std::wstring& relative, const std::string& text) const;
    // The names directly in a directory below this one ("" for itself).
    std::vector<std::wstring> names(const std::wstring& relative = L"") const;

private:
    std::wstring path_;
};

void removeTree(const std::wstring& path);

}  // namespace kb::test
