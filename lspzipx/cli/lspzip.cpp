// lspzip: the library from the command line, for administrators and
// benchmarks. The exit code is the library's code.
#include "api/options.h"
#include "archive/archive.h"
#include "base/library_codes.h"
#include "common/secret.h"
#include "common/source_spec.h"
#include "common/status_texts.h"
#include "common/text.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kUsage = 2;
constexpr int kPasswordRefused = 3;

const wchar_t kUsageText[] =
    L"usage: lspzip [-0..-9] [-r] [-p password] [-d] [-t threads] [-q] zipfile source...\n"
    L"  -0..-9       compression rate: 0 stores, 9 compresses most (default 6)\n"
    L"  -r           include subdirectories, keeping their paths\n"
    L"  -p password  encrypt (ZipCrypto, or AES-256 when the machine's\n"
    L"               ZipEncryption setting is AES256)\n"
    L"  -d           delete the zipped files once the archive is written\n"
    L"  -t threads   worker threads, 1 to 64 (default: one per processor, at most\n"
    L"               64 or the LSPZIPX_THREADS environment variable)\n"
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

// Each argument is one source; one that holds "|" or quotes is a list.
bool sourceItems(const std::vector<std::wstring>& sources, std::vector<std::wstring>& items) {
    for (const auto& s : sources) {
        if (s.find_first_of(L"|\"") == std::wstring::npos) {
            items.push_back(s);
            continue;
        }
        auto parsed = kb::parseSourceSpec(s);
        if (!parsed) return false;
        items.insert(items.end(), parsed->begin(), parsed->end());
    }
    return true;
}

std::wstring systemText(DWORD error) {
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = n ? std::wstring(text, n) : L"system error " + std::to_wstring(error);
    ::LocalFree(text);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L'.')) out.pop_back();
    return out;
}

int report(int code, DWORD system, bool quiet) {
    if (code != 0 || !quiet) {
        std::wstring line = L"lspzip: " + std::to_wstring(code) + L" " + kb::statusText(code);
        if (system) line += L" (" + systemText(system) + L")";
        std::fwprintf(code ? stderr : stdout, L"%ls\n", line.c_str());
    }
    return code;
}

int run(const Arguments& args) {
    lsz::ArchiveRequest request;
    request.zipPath = args.zipPath;
    if (!sourceItems(args.sources, request.items)) return report(lsz::code::InvalidSource, 0, false);
    request.level = args.rate;
    request.recurse = request.keepPaths = args.recurse;
    request.deleteOriginals = args.deleteOriginals;
    if (!args.password.empty()) {
        // The UTF-8 bytes of the password, as the DLL's wide call takes it.
        std::optional<std::string> bytes = kb::toUtf8Exact(args.password);
        if (!bytes || !lsz::passwordAcceptable(*bytes)) return report(kPasswordRefused, 0, false);
        request.password = kb::SecretA::adopt(*bytes);
        request.cipher = lsz::configuredCipher();
    }
    request.threads = lsz::configuredThreads();
    request.readers = lsz::configuredReaders();
    if (!args.threads.empty()) {
        wchar_t* end = nullptr;
        long n = std::wcstol(args.threads.c_str(), &end, 10);
        if (*end != L'\0' || n < 1 || n > static_cast<long>(lsz::kMaxThreads)) {
            std::fputws(L"lspzip: -t takes a number from 1 to 64\n", stderr);
            return kUsage;
        }
        request.threads = static_cast<unsigned>(n);
    }
    try {
        lsz::createArchive(request);
    } catch (const lsz::LibError& e) {
        return report(e.code(), e.system(), false);
    } catch (const std::bad_alloc&) {
        return report(lsz::code::OutOfMemory, 0, false);
    }
    return report(lsz::code::Ok, 0, args.quiet);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Arguments args;
    if (!parse(argc, argv, args)) {
        std::fputws(kUsageText, stderr);
        return kUsage;
    }
    try {
        return run(args);
    } catch (...) {
        return report(lsz::code::InternalError, 0, false);
    }
}
