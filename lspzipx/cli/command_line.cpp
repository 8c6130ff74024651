#include "cli/command_line.h"

#include "api/options.h"

#include <cwchar>

namespace lsz::cli {

namespace {

const wchar_t kHelp[] =
    L"usage: lspzip [options] zipfile source...\n"
    L"       lspzip [-q] --check-sha256 list\n"
    L"Writes zipfile anew from the sources; an existing zipfile is replaced, not updated.\n"
    L"\n"
    L"  -0 .. -9      compression rate: 0 stores, 9 compresses most (default 6)\n"
    L"  -r            include subfolders, stored with their paths below each source;\n"
    L"                a folder with nothing to zip is kept as a folder entry\n"
    L"  -e            encrypt: asks for the password twice, without showing it\n"
    L"  -p password   encrypt with this password (for scripts; others may see it)\n"
    L"  --aes         with -e or -p: encrypt with AES-256 (default: the traditional\n"
    L"                zip cipher, or AES-256 when the machine's ZipEncryption\n"
    L"                setting is AES256)\n"
    L"  -d            delete the zipped files once the archive is written\n"
    L"  -t threads    worker threads, 1 to 64 (default: one per processor, at most\n"
    L"                64 or the LSPZIPX_THREADS environment variable)\n"
    L"  -q            quiet: print nothing but errors\n"
    L"  -h, --help    print this help and exit\n"
    L"  --version     print the version and exit\n"
    L"  --check-sha256 list\n"
    L"                check the files a list of SHA-256 sums names (as sha256sum\n"
    L"                writes it, names relative to the list's folder); with -q,\n"
    L"                print only what is missing or changed\n"
    L"  --settings    print what the component reads, as this account sees it (the\n"
    L"                switches and settings in both registry views, the busy flag's\n"
    L"                folder, the component's and the library's files) and exit\n"
    L"  --            end of options: every later argument is zipfile or a source\n"
    L"\n"
    L"Flags combine (-r9, -qr). A source is a file, a folder, or a pattern such\n"
    L"as C:\\data\\*.txt; give several, or one argument with items separated by |.\n"
    L"Exit code: 0 on success, 2 for a usage error, 3 for a refused password,\n"
    L"4 when a file is not as its list says, otherwise the library's status code.\n";

bool takesValue(wchar_t flag) { return flag == L'p' || flag == L't'; }

// Applies one flag; value is the flag's argument for -p and -t.
std::wstring applyFlag(wchar_t flag, const std::wstring& value, Arguments& a) {
    if (flag >= L'0' && flag <= L'9') {
        a.rate = flag - L'0';
        return {};
    }
    switch (flag) {
    case L'r': a.recurse = true; return {};
    case L'd': a.deleteOriginals = true; return {};
    case L'q': a.quiet = true; return {};
    case L'e': a.promptPassword = true; return {};
    case L'h': a.action = Action::Help; return {};
    case L'p': a.password = value; return {};
    case L't': {
        wchar_t* end = nullptr;
        long n = std::wcstol(value.c_str(), &end, 10);
        if (value.empty() || *end != L'\0' || n < 1 || n > static_cast<long>(kMaxThreads)) {
            return L"-t takes a number from 1 to 64, not \"" + value + L"\"";
        }
        a.threads = static_cast<unsigned>(n);
        return {};
    }
    default: return L"unknown option -" + std::wstring(1, flag);
    }
}

std::wstring applyLong(const std::wstring& option, Arguments& a) {
    if (option == L"--help") {
        a.action = Action::Help;
    } else if (option == L"--version") {
        if (a.action == Action::Zip) a.action = Action::Version;
    } else if (option == L"--settings") {
        if (a.action == Action::Zip) a.action = Action::Settings;
    } else if (option == L"--aes") {
        a.aes = true;
    } else if (option == L"--check-sha256") {
        if (a.action == Action::Zip) a.action = Action::CheckSha256;
    } else {
        return L"unknown option " + option;
    }
    return {};
}

}  // namespace

const wchar_t* helpText() { return kHelp; }

Parsed parseCommandLine(const std::vector<std::wstring>& args) {
    Parsed out;
    Arguments& a = out.arguments;
    std::vector<std::wstring> operands;
    auto failed = [&](std::wstring message) {
        if (out.error.empty()) out.error = std::move(message);
    };
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != L'-') {
            operands.push_back(arg);
        } else if (arg == L"--") {
            optionsEnded = true;
        } else if (arg[1] == L'-') {
            failed(applyLong(arg, a));
        } else {
            // A cluster of flags; -p and -t take the rest of it, or the next argument.
            for (size_t k = 1; k < arg.size(); ++k) {
                wchar_t flag = arg[k];
                std::wstring value;
                if (takesValue(flag)) {
                    if (k + 1 < arg.size()) {
                        value = arg.substr(k + 1);
                    } else if (i + 1 < args.size()) {
                        value = args[++i];
                    } else {
                        failed(L"option -" + std::wstring(1, flag) + L" needs a value");
                        break;
                    }
                    failed(applyFlag(flag, value, a));
                    break;
                }
                failed(applyFlag(flag, value, a));
            }
        }
    }
    // Help and version answer whatever else the line holds.
    if (a.action == Action::Help || a.action == Action::Version) {
        out.error.clear();
        return out;
    }
    if (!out.error.empty()) return out;
    if (a.action == Action::CheckSha256) {
        if (operands.size() != 1) out.error = L"--check-sha256 takes one list";
        else a.sha256List = operands.front();
        return out;
    }
    if (a.promptPassword && a.password) {
        out.error = L"-e and -p cannot be used together";
    } else if (a.aes && !a.promptPassword && !a.password) {
        out.error = L"--aes needs -e or -p";
    } else if (operands.size() < 2) {
        out.error = operands.empty() ? L"no zipfile and no source given" : L"no source given";
    } else {
        a.zipPath = operands.front();
        a.sources.assign(operands.begin() + 1, operands.end());
    }
    return out;
}

}  // namespace lsz::cli
