#include "scratch_dir.h"

#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace kb::test {

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    wchar_t name[64];
    std::swprintf(name, 64, L"kbtest-%lu-%d\\", ::GetCurrentProcessId(), counter.fetch_add(1));
    path_ = std::wstring(base) + name;
    removeTree(path_.substr(0, path_.size() - 1));
    if (!::CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot make scratch directory");
}

ScratchDir::~ScratchDir() { removeTree(path_.substr(0, path_.size() - 1)); }

void ScratchDir::makeFile(const std::wstring& name, const std::string& content, DWORD attributes) const {
    HANDLE h = ::CreateFileW((path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot make file");
    DWORD written = 0;
    ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(h);
}

void ScratchDir::makeDirectory(const std::wstring& name, DWORD attributes) const {
    if (!::CreateDirectoryW((path_ + name).c_str(), nullptr)) throw std::runtime_error("cannot make directory");
    if (attributes) ::SetFileAttributesW((path_ + name).c_str(), attributes | FILE_ATTRIBUTE_DIRECTORY);
}

bool ScratchDir::exists(const std::wstring& name) const {
    return ::GetFileAttributesW((path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ScratchDir::write(const std::wstring& relative, const std::vector<uint8_t>& bytes) const {
    std::wstring path = path_ + relative;
    for (size_t at = path_.size(); (at = path.find(L'\\', at)) != std::wstring::npos; ++at) {
        ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    }
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a test file");
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return path;
}

std::wstring ScratchDir::write(const std::wstring& relative, const std::string& text) const {
    return write(relative, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<std::wstring> ScratchDir::names(const std::wstring& relative) const {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path_ + relative + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") out.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return out;
}

void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace kb::test
