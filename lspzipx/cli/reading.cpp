#include "cli/reading.h"

#include "base/library_codes.h"
#include "check/entry_test.h"
#include "cli/console.h"
#include "cli/listing.h"
#include "cli/messages.h"
#include "cli/passwords.h"
#include "common/file_names.h"
#include "common/handles.h"
#include "common/secret.h"
#include "common/text.h"

#include <windows.h>

namespace lsz::cli {

namespace {

// The archive a test or a listing reads: the name as typed, or with ".zip"
// where that is what exists, as unzip looks for it.
std::wstring existingArchive(const std::wstring& typed) {
    if (::GetFileAttributesW(typed.c_str()) != INVALID_FILE_ATTRIBUTES) return typed;
    return kb::withZipExtension(typed);
}

// Opens an existing archive to read, or says why it cannot be (178).
kb::UniqueFile openArchive(const std::wstring& zipPath) {
    kb::UniqueFile file(::CreateFileW(zipPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        DWORD error = ::GetLastError();
        writeErr(failureLine(code::ReadError, error, zipPath, kb::systemErrorText(error)) + L"\n");
    }
    return file;
}

}  // namespace

int archiveFault(const std::wstring& zipPath, const ArchiveFault& fault, const std::wstring& consequence) {
    std::wstring where = fault.entry().empty() ? std::wstring() : kb::fromUtf8(fault.entry()) + L": ";
    bool password = fault.kind() == ArchiveFault::Kind::NeedsPassword ||
                    fault.kind() == ArchiveFault::Kind::WrongPassword;
    int exitCode = password ? kPasswordRefused : kTestFailed;
    writeErr(L"lspzip: test of " + zipPath + L" FAILED: " + where + fault.reason() + consequence + L" (" +
             std::to_wstring(exitCode) + L")\n");
    return exitCode;
}

// -T with a zipfile alone: the archive as it is, entry by entry.
int testExisting(const Arguments& args) {
    std::wstring zipPath = existingArchive(args.zipPath);
    kb::SecretA password;
    if (int refused = takeTestPassword(args, password)) return refused;
    kb::UniqueFile file = openArchive(zipPath);
    if (!file) return code::ReadError;
    try {
        size_t entries = testArchive(file.get(), password.view(), [&](const StoredEntry& e) {
            if (!args.quiet) writeOut(L"    testing: " + displayName(e) + L"   OK\n");
        });
        if (!args.quiet) {
            writeOut(L"test of " + zipPath + L" OK (" + std::to_wstring(entries) + (entries == 1 ? L" entry)\n" : L" entries)\n"));
        }
    } catch (const ArchiveFault& fault) {
        return archiveFault(zipPath, fault);
    }
    return code::Ok;
}

// -l: the entries as unzip -l lists them.
int list(const Arguments& args) {
    std::wstring zipPath = existingArchive(args.zipPath);
    kb::UniqueFile file = openArchive(zipPath);
    if (!file) return code::ReadError;
    try {
        PositionalFile positional(file.get());
        writeOut(listing(zipPath, readCentralDirectory(positional)));
    } catch (const ArchiveFault& fault) {
        return archiveFault(zipPath, fault);
    }
    return code::Ok;
}

}  // namespace lsz::cli
