// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <windows.h>

#include <string>

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

private:
    std::wstring path_;
};

void removeTree(const std::wstring& path);

}  // namespace kb::test
