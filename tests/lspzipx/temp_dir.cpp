#include "temp_dir.h"

#include <windows.h>

#include <stdexcept>

namespace lsz::test {

namespace {

void removeTree(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((dir + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = dir + name;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path + L"\\");
            } else {
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(dir.c_str());
}

uint32_t next(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 24;
}

}  // namespace

TempDir::TempDir() {
    wchar_t base[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, base);
    static int counter = 0;
    path_ = std::wstring(base) + L"lspzipx-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    removeTree(path_);
    if (!::CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot create the test directory");
}

TempDir::~TempDir() { removeTree(path_); }

std::wstring TempDir::write(const std::wstring& relative, const std::vector<uint8_t>& bytes) const {
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

std::wstring TempDir::write(const std::wstring& relative, const std::string& text) const {
    return write(relative, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<std::wstring> TempDir::names(const std::wstring& relative) const {
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

std::string ansi(const std::wstring& s) {
    int n = ::WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}

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
