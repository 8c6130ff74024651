// lspzip: the library's three calls from the command line, for
// administrators and benchmarks. The exit code is the library's code.
#include "status/status_messages.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kUsage = 2;
constexpr int kSourceRefused = 1;
constexpr int kPasswordRefused = 3;
constexpr int kLibraryMissing = 50;

// The wide calls: names and passwords reach the library as typed.
using PasswordFn = int32_t(__stdcall*)(const wchar_t*);
using IncludeFn = int32_t(__stdcall*)(const wchar_t*);
using ExecuteFn = int32_t(__stdcall*)(const wchar_t*, int32_t, int32_t, int32_t);

const wchar_t kUsageText[] =
    L"usage: lspzip [-0..-9] [-r] [-p password] [-d] [-t threads] [-q] zipfile source...\n"
    L"  -0..-9       compression rate: 0 stores, 9 compresses most (default 6)\n"
    L"  -r           include subdirectories, keeping their paths\n"
    L"  -p password  encrypt (ZipCrypto, or AES-256 when the machine's\n"
    L"               ZipEncryption setting is AES256)\n"
    L"  -d           delete the zipped files once the archive is written\n"
    L"  -t threads   worker threads (default: one per processor)\n"
    L"  -q           print nothing on success\n"
    L"  source       a file, a directory, or a pattern such as C:\\data\\*.txt;\n"
    L"               several sources, or one argument with items separated by |\n";

struct Arguments {
    int rate = 6;
    bool recurse = false;
    bool deleteOriginals = false;
    bool quiet = false;
    std::wstring password;
    std::wstring threads;
    std::wstring zipPath;
    std::vector<std::wstring> sources;
};

bool parse(int argc, wchar_t** argv, Arguments& a) {
    int i = 1;
    for (; i < argc && argv[i][0] == L'-' && argv[i][1] != L'\0'; ++i) {
        std::wstring opt = argv[i];
        if (opt.size() == 2 && opt[1] >= L'0' && opt[1] <= L'9') {
            a.rate = opt[1] - L'0';
        } else if (opt == L"-r") {
            a.recurse = true;
        } else if (opt == L"-d") {
            a.deleteOriginals = true;
        } else if (opt == L"-q") {
            a.quiet = true;
        } else if ((opt == L"-p" || opt == L"-t") && i + 1 < argc) {
            (opt == L"-p" ? a.password : a.threads) = argv[++i];
        } else {
            return false;
        }
    }
    if (argc - i < 2) return false;
    a.zipPath = argv[i++];
    for (; i < argc; ++i) a.sources.push_back(argv[i]);
    return true;
}

std::wstring specification(const std::vector<std::wstring>& sources) {
    std::wstring spec;
    for (const auto& s : sources) {
        if (!spec.empty()) spec += L'|';
        bool quote = s.find_first_of(L" \t") != std::wstring::npos && s.find_first_of(L"|\"") == std::wstring::npos;
        spec += quote ? L"\"" + s + L"\"" : s;
    }
    return spec;
}

std::wstring ownFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

int report(int code, bool quiet) {
    if (code != 0 || !quiet) {
        std::fwprintf(code ? stderr : stdout, L"lspzip: %d %ls\n", code,
                      kb::status::statusMessage(static_cast<int16_t>(code)));
    }
    return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Arguments args;
    if (!parse(argc, argv, args)) {
        std::fputws(kUsageText, stderr);
        return kUsage;
    }
    if (!args.threads.empty()) ::SetEnvironmentVariableW(L"LSPZIPX_THREADS", args.threads.c_str());

    // By full path: the library beside this program, never one elsewhere.
    HMODULE library = ::LoadLibraryExW((ownFolder() + L"lspzipx.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) return report(kLibraryMissing, false);
    auto setPassword = reinterpret_cast<PasswordFn>(reinterpret_cast<void*>(::GetProcAddress(library, "LSZIP_PASSWORDW")));
    auto include = reinterpret_cast<IncludeFn>(reinterpret_cast<void*>(::GetProcAddress(library, "LSZIP_INCLUDEW")));
    auto execute = reinterpret_cast<ExecuteFn>(reinterpret_cast<void*>(::GetProcAddress(library, "LSZIP_EXECUTEW")));
    if (!setPassword || !include || !execute) return report(kLibraryMissing, false);

    int32_t options = args.recurse ? 0x2881 : 0x0001;
    if (!args.password.empty()) {
        if (!setPassword(args.password.c_str())) return report(kPasswordRefused, false);
        options |= 0x0010;
    }
    if (args.deleteOriginals) options |= 0x0100;
    if (!include(specification(args.sources).c_str())) return report(kSourceRefused, false);
    return report(execute(args.zipPath.c_str(), 2, args.rate, options), args.quiet);
}
