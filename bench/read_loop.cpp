// The floor under the store path: lists a tree, then opens, reads and
// closes every file in it, and does nothing else. The benchmark times it
// beside lspzip -0 over the same files.
//   read_loop [-t threads] folder
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

void list(const std::wstring& folder, std::vector<std::wstring>& files) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> folders;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(folder + L"\\" + name);
        } else {
            files.push_back(folder + L"\\" + name);
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    for (const auto& f : folders) list(f, files);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    unsigned threads = 1;
    int i = 1;
    if (argc > 3 && std::wcscmp(argv[1], L"-t") == 0) {
        threads = static_cast<unsigned>(std::wcstoul(argv[2], nullptr, 10));
        i = 3;
    }
    if (i >= argc || threads < 1) {
        std::fputws(L"usage: read_loop [-t threads] folder\n", stderr);
        return 2;
    }
    std::vector<std::wstring> files;
    list(argv[i], files);
    std::atomic<size_t> next{0};
    std::atomic<unsigned long long> bytes{0};
    auto work = [&] {
        std::vector<char> buffer(1 << 20);
        for (size_t k; (k = next++) < files.size();) {
            HANDLE file = ::CreateFileW(files[k].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            DWORD got = 0;
            while (::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
                bytes += got;
            }
            ::CloseHandle(file);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
    for (auto& t : pool) t.join();
    std::printf("%zu files, %llu bytes\n", files.size(), bytes.load());
    return 0;
}
