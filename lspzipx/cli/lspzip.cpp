// lspzip: the library from the command line, for administrators, scripts
// and benchmarks, and the check of a package's SHA-256 list. The exit code
// is the library's code.
#include "api/options.h"
#include "archive/archive.h"
#include "base/library_codes.h"
#include "check/entry_test.h"
#include "cli/command_line.h"
#include "cli/console.h"
#include "cli/passwords.h"
#include "cli/reading.h"
#include "cli/messages.h"
#include "cli/sha256_list.h"
#include "cli/settings_report.h"
#include "common/secret.h"
#include "common/file_names.h"
#include "common/source_list.h"
#include "common/text.h"

#include <windows.h>

#include <chrono>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace lsz::cli {

namespace {

constexpr int kUsage = 2;

int usageError(const std::wstring& message) {
    writeErr(L"lspzip: " + message + L"\nTry 'lspzip --help' for the options.\n");
    return kUsage;
}

// The version this program's own resource carries: one fact, one place.
std::wstring ownVersion() {
    wchar_t exe[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring version = n > 0 && n < MAX_PATH ? fileVersion(exe) : std::wstring();
    return version.empty() ? L"unknown" : version;
}

// Each argument is one source; one that holds "|" or quotes is a list.
bool sourceItems(const std::vector<std::wstring>& sources, std::vector<std::wstring>& items) {
    for (const auto& s : sources) {
        if (s.find_first_of(L"|\"") == std::wstring::npos) {
            items.push_back(s);
            continue;
        }
        auto parsed = kb::parseSourceList(s);
        if (!parsed) return false;
        items.insert(items.end(), parsed->begin(), parsed->end());
    }
    return true;
}

// The patterns given on the line, then those of each list file. Returns
// an exit code when a list cannot be read, else 0.
int patterns(const std::vector<std::wstring>& given, const std::vector<std::wstring>& lists,
             std::vector<std::wstring>& out) {
    out = given;
    for (const auto& list : lists) {
        std::optional<std::vector<std::wstring>> lines = readLines(list);
        if (!lines) return usageError(L"cannot read the pattern list " + list);
        out.insert(out.end(), lines->begin(), lines->end());
    }
    return 0;
}

// Under -@, the names of the standard input, one a line, each one item.
int namesFromInput(const Arguments& args, std::vector<std::wstring>& items) {
    if (!args.namesFromInput) return 0;
    std::optional<std::vector<std::wstring>> lines = readLines(L"");
    if (!lines) return usageError(L"-@: cannot read names from the standard input");
    items.insert(items.end(), lines->begin(), lines->end());
    if (items.empty()) return usageError(L"-@: no source given on the standard input");
    return 0;
}

uint64_t fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int zip(const Arguments& args) {
    ArchiveRequest request;
    std::wstring zipPath = kb::withZipExtension(args.zipPath);
    request.zipPath = zipPath;
    if (!sourceItems(args.sources, request.items)) {
        writeErr(failureLine(code::InvalidSource, 0, L"", L"") + L"\n");
        return code::InvalidSource;
    }
    if (int failed = namesFromInput(args, request.items)) return failed;
    std::vector<std::wstring> include, exclude;
    if (int failed = patterns(args.includePatterns, args.includeLists, include)) return failed;
    if (int failed = patterns(args.excludePatterns, args.excludeLists, exclude)) return failed;
    request.selection = NameSelection(std::move(include), std::move(exclude));
    request.includeHidden = args.includeHidden;
    request.level = args.rate;
    request.recurse = args.recurse;
    request.keepPaths = args.recurse && !args.junkPaths;
    request.deleteOriginals = args.deleteOriginals;
    if (args.password || args.promptPassword) {
        kb::SecretW password;
        if (int refused = takePassword(args, password)) return refused;
        // The UTF-8 bytes of the password, as the DLL's wide call takes it.
        std::optional<std::string> bytes = kb::toUtf8Exact(password.view());
        kb::SecretA utf8 = bytes ? kb::SecretA::adopt(*bytes) : kb::SecretA();
        if (!bytes || !passwordAcceptable(utf8.view())) return passwordError(L"a password must be 1 to 255 bytes long");
        request.password = std::move(utf8);
        request.cipher = args.aes ? Cipher::Aes256 : configuredCipher();
    }
    // -T reads the archive back before it takes its name, so that a
    // failure keeps the old archive and every original.
    if (args.test) {
        request.check = [&request](HANDLE file) { testArchive(file, request.password.view()); };
    }
    request.threads = args.threads.value_or(configuredThreads());
    request.readers = configuredReaders();

    Totals totals;
    request.onEntry = [&](const EntryReport& entry) {
        count(totals, entry);
        if (!args.quiet) writeOut(entryLine(entry) + L"\n");
    };
    auto started = std::chrono::steady_clock::now();
    ArchiveOutcome outcome;
    try {
        outcome = createArchive(request);
    } catch (const ArchiveFault& fault) {
        archiveFault(zipPath, fault, L"; the archive was not written, and every original stays");
        return kTestFailed;
    } catch (const LibError& e) {
        writeErr(failureLine(e.code(), e.system(), e.path(), kb::systemErrorText(e.system())) + L"\n");
        return e.code();
    } catch (const std::bad_alloc&) {
        writeErr(failureLine(code::OutOfMemory, 0, L"", L"") + L"\n");
        return code::OutOfMemory;
    }
    if (!args.quiet) {
        totals.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        totals.bytesOut = fileSize(zipPath);
        totals.hiddenFiles = outcome.hidden.files;
        totals.hiddenFolders = outcome.hidden.folders;
        writeOut(summaryLine(zipPath, totals) + L"\n");
        if (args.test) writeOut(L"test of " + zipPath + L" OK\n");
    }
    return code::Ok;
}

int run(const std::vector<std::wstring>& argv) {
    if (argv.empty()) {
        writeErr(helpText());
        return kUsage;
    }
    Parsed parsed = parseCommandLine(argv);
    if (parsed.arguments.action == Action::Help) {
        writeOut(helpText());
        return 0;
    }
    if (parsed.arguments.action == Action::Version) {
        writeOut(L"lspzip " + ownVersion() + L"\n");
        return 0;
    }
    if (parsed.arguments.action == Action::Settings) {
        writeOut(settingsReport(readSettingsFacts(ownVersion())));
        return 0;
    }
    if (!parsed.error.empty()) return usageError(parsed.error);
    if (parsed.arguments.action == Action::Test) return testExisting(parsed.arguments);
    if (parsed.arguments.action == Action::List) return list(parsed.arguments);
    if (parsed.arguments.action == Action::CheckSha256) {
        return checkSha256List(parsed.arguments.sha256List, parsed.arguments.quiet);
    }
    return zip(parsed.arguments);
}

}  // namespace

}  // namespace lsz::cli

int wmain(int argc, wchar_t** argv) {
    try {
        return lsz::cli::run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (...) {
        lsz::cli::writeErr(lsz::cli::failureLine(lsz::code::InternalError, 0, L"", L"") + L"\n");
        return lsz::code::InternalError;
    }
}
