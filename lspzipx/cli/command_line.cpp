#include "cli/command_line.h"

#include "api/options.h"

#include <cwchar>

namespace lsz::cli {

namespace {

const wchar_t kHelp[] =
    L"usage: lspzip [options] zipfile source... [-x pattern...] [-i pattern...]\n"
    L"       lspzip -T [-q] [-e | -P password] zipfile\n"
    L"       lspzip -l zipfile\n"
    L"       lspzip [-q] --check-sha256 list\n"
    L"Writes zipfile anew from the sources; an existing zipfile is replaced, not\n"
    L"updated. A zipfile without an extension gets .zip.\n"
    L"\n"
    L"  -0 .. -9      compression rate: 0 stores, 9 compresses most (default 6)\n"
    L"  -r            include subfolders, stored with their paths below each source;\n"
    L"                a folder with nothing to zip is kept as a folder entry\n"
    L"  -j            junk paths: store each file by its own name (with -r, from\n"
    L"                every subfolder); two files of one name stop the run\n"
    L"  -x pattern... leave out the files whose names match (every argument up to\n"
    L"                the next option; -x@file reads the patterns from a file)\n"
    L"  -i pattern... take only the files whose names match (-i@file likewise)\n"
    L"  -@            read source names from the standard input, one a line\n"
    L"  -S            take hidden and system files too\n"
    L"  -m            move into the archive: delete the zipped files once the\n"
    L"                archive is complete\n"
    L"  -T            test the archive before it takes its name: every entry read\n"
    L"                back, decrypted, inflated and its CRC checked; on a failure\n"
    L"                the old zipfile and the originals stay. With a zipfile\n"
    L"                alone, test that archive\n"
    L"  -l            list a zipfile's entries as unzip -l does\n"
    L"  -e            encrypt: asks for the password twice, without showing it\n"
    L"  -p password   encrypt with this password (for scripts; others may see it);\n"
    L"  -P password   the same\n"
    L"  --aes         with -e or -p: encrypt with AES-256 (default: the traditional\n"
    L"                zip cipher, or AES-256 when the machine's ZipEncryption\n"
    L"                setting is AES256)\n"
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
    L"Patterns match the path below the source (deep/a.txt) or as zip stores it\n"
    L"(data/deep/a.txt); * spans folders, case does not count.\n"
    L"lspzip writes new archives only: zip's -d, -u, -f and - are refused.\n"
    L"Exit code: 0 on success, 2 for a usage error, 3 for a refused password,\n"
    L"4 when a file is not as its list says, 5 when an archive fails its test,\n"
    L"otherwise the library's status code.\n";

bool takesValue(wchar_t flag) { return flag == L'p' || flag == L'P' || flag == L't'; }
bool takesList(wchar_t flag) { return flag == L'x' || flag == L'i'; }

// Zip's flags for changing an archive in place, which lspzip does not
// offer; each is refused with what it would have done in zip.
const wchar_t* refusedFlag(wchar_t flag) {
    switch (flag) {
    case L'd':
        return L"-d deletes entries from an archive in zip, and lspzip writes new archives only; "
               L"to delete the zipped files once the archive is complete, use -m";
    case L'u': return L"-u updates an archive in zip, and lspzip writes new archives only";
    case L'f': return L"-f freshens an archive in zip, and lspzip writes new archives only";
    default: return nullptr;
    }
}

// Applies one flag; value is the flag's argument for -p, -P and -t.
std::wstring applyFlag(wchar_t flag, const std::wstring& value, Arguments& a, wchar_t& passwordFlag) {
    if (flag >= L'0' && flag <= L'9') {
        a.rate = flag - L'0';
        return {};
    }
    if (const wchar_t* refused = refusedFlag(flag)) return refused;
    switch (flag) {
    case L'r': a.recurse = true; return {};
    case L'j': a.junkPaths = true; return {};
    case L'S': a.includeHidden = true; return {};
    case L'm': a.deleteOriginals = true; return {};
    case L'T': a.test = true; return {};
    case L'l': if (a.action == Action::Zip) a.action = Action::List; return {};
    case L'@': a.namesFromInput = true; return {};
    case L'q': a.quiet = true; return {};
    case L'e': a.promptPassword = true; return {};
    case L'h': a.action = Action::Help; return {};
    case L'p':
    case L'P':
        a.password = value;
        passwordFlag = flag;
        return {};
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

bool isOption(const std::wstring& arg) { return arg.size() >= 2 && arg[0] == L'-'; }

// What the operands mean once the options are known.
std::wstring placeOperands(std::vector<std::wstring>& operands, bool listTookArguments, wchar_t passwordFlag,
                           Arguments& a) {
    if (a.action == Action::CheckSha256) {
        if (operands.size() != 1) return L"--check-sha256 takes one list";
        a.sha256List = operands.front();
        return {};
    }
    if (a.action == Action::List) {
        if (operands.size() != 1) {
            return L"-l takes one archive alone (lspzip does not translate line ends, as zip's -l does)";
        }
        a.zipPath = operands.front();
        return {};
    }
    if (a.promptPassword && a.password) {
        return std::wstring(L"-e and -") + passwordFlag + L" cannot be used together";
    }
    if (a.aes && !a.promptPassword && !a.password) return L"--aes needs -e or -p";
    bool namesGiven = operands.size() >= 2 || (a.namesFromInput && !operands.empty());
    if (a.test && operands.size() == 1 && !a.namesFromInput) {
        a.action = Action::Test;
    } else if (!namesGiven) {
        std::wstring message = operands.empty() ? L"no zipfile and no source given" : L"no source given";
        if (listTookArguments) message += L" (-x and -i take every argument up to the next option: give them last)";
        return message;
    }
    a.zipPath = operands.front();
    a.sources.assign(operands.begin() + 1, operands.end());
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
    bool listTookArguments = false;
    wchar_t passwordFlag = L'p';
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (optionsEnded || !isOption(arg)) {
            // "-" is zip's standard output or input; after "--" it is a name.
            if (!optionsEnded && arg == L"-") {
                failed(L"- (standard output or input in zip) is refused: lspzip writes new archives only, to a "
                       L"named file, from named files");
            }
            operands.push_back(arg);
        } else if (arg == L"--") {
            optionsEnded = true;
        } else if (arg[1] == L'-') {
            failed(applyLong(arg, a));
        } else {
            // A cluster of flags; -p, -P and -t take the rest of it or the
            // next argument; -x and -i take the rest of it and every
            // argument up to the next option.
            for (size_t k = 1; k < arg.size(); ++k) {
                wchar_t flag = arg[k];
                if (takesList(flag)) {
                    auto& patterns = flag == L'x' ? a.excludePatterns : a.includePatterns;
                    auto& lists = flag == L'x' ? a.excludeLists : a.includeLists;
                    bool any = false;
                    if (k + 1 < arg.size()) {
                        std::wstring rest = arg.substr(k + 1);
                        if (rest[0] == L'@') lists.push_back(rest.substr(1));
                        else patterns.push_back(rest);
                        any = true;
                    }
                    while (i + 1 < args.size() && !isOption(args[i + 1]) && args[i + 1] != L"-") {
                        patterns.push_back(args[++i]);
                        any = listTookArguments = true;
                    }
                    if (!any) failed(L"option -" + std::wstring(1, flag) + L" needs a pattern");
                    break;
                }
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
                    failed(applyFlag(flag, value, a, passwordFlag));
                    break;
                }
                failed(applyFlag(flag, value, a, passwordFlag));
            }
        }
    }
    // Help and version answer whatever else the line holds.
    if (a.action == Action::Help || a.action == Action::Version) {
        out.error.clear();
        return out;
    }
    if (!out.error.empty()) return out;
    out.error = placeOperands(operands, listTookArguments, passwordFlag, a);
    return out;
}

}  // namespace lsz::cli
