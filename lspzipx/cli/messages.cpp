#include "cli/messages.h"

#include "base/library_codes.h"
#include "common/status_texts.h"
#include "common/text.h"

#include <cmath>
#include <cstdio>

namespace lsz::cli {

namespace {

// A folder as people write it: without the separator the library keeps,
// except at a drive's root.
std::wstring shown(std::wstring path) {
    if (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

std::wstring because(const std::wstring& systemText) { return systemText.empty() ? L"" : L": " + systemText; }

std::wstring describe(int code, DWORD system, const std::wstring& path, const std::wstring& systemText) {
    std::wstring p = shown(path);
    switch (code) {
    case code::InvalidZipName:
        if (p.empty()) return L"the archive's name cannot be used";
        if (system == ERROR_DIRECTORY) return L"the output folder " + p + L" is a file, not a folder";
        if (system == ERROR_ALREADY_EXISTS) return p + L" is a folder; name the archive itself";
        if (system == ERROR_INVALID_NAME) return p + L" is not a name an archive can have";
        return L"cannot use " + p + L" as the archive" + because(systemText);
    case code::CannotCreate:
        if (system == ERROR_PATH_NOT_FOUND || system == ERROR_FILE_NOT_FOUND) {
            return L"the output folder " + p + L" does not exist";
        }
        return L"cannot write in the output folder " + p + because(systemText);
    case code::FileNotMatched: return p + L": no such file or folder";
    case code::InvalidSource: return p.empty() ? L"the sources cannot be read as a list" : p + L": not a usable source";
    case code::ListError: return L"cannot list the folder " + p + because(systemText);
    case code::ReadError: return L"cannot read " + p + because(systemText);
    case code::DuplicateName: return p + L": another source has the same name in the archive";
    case code::NothingToDo: return L"nothing to zip in " + p;
    case code::WriteError:
    case code::CentralDirectoryError:
    case code::EndRecordError: return L"cannot write " + p + because(systemText);
    case code::RenameFailed: return L"cannot replace " + p + because(systemText);
    case code::OriginalsKept: return L"the archive is complete, but these originals were not deleted: " + p;
    default: return p.empty() ? systemText : p + because(systemText);
    }
}

}  // namespace

std::wstring entryLine(const EntryReport& entry) {
    std::wstring line = L"  adding: " + kb::fromUtf8(entry.name);
    if (entry.stored || entry.size == 0) return line + L" (stored 0%)";
    double saved = 100.0 - 100.0 * static_cast<double>(entry.dataSize) / static_cast<double>(entry.size);
    return line + L" (deflated " + std::to_wstring(static_cast<long long>(std::lround(saved))) + L"%)";
}

void count(Totals& totals, const EntryReport& entry) {
    ++(entry.directory ? totals.folders : totals.files);
    totals.bytesIn += entry.size;
}

std::wstring summaryLine(const std::wstring& zipPath, const Totals& totals) {
    auto plural = [](size_t n, const wchar_t* word) {
        return std::to_wstring(n) + L" " + word + (n == 1 ? L"" : L"s");
    };
    wchar_t seconds[32];
    std::swprintf(seconds, 32, L"%.2f", totals.seconds);
    std::wstring what = plural(totals.files, L"file");
    if (totals.folders) what += L" and " + plural(totals.folders, L"empty folder");
    std::wstring line = L"lspzip: " + zipPath + L": " + what + L", " + std::to_wstring(totals.bytesIn) +
                        L" bytes in, " + std::to_wstring(totals.bytesOut) + L" bytes out, " + seconds + L" s";
    if (totals.hiddenFiles || totals.hiddenFolders) {
        std::wstring left;
        if (totals.hiddenFiles) left = plural(totals.hiddenFiles, L"hidden file");
        if (totals.hiddenFolders) left += (left.empty() ? L"" : L" and ") + plural(totals.hiddenFolders, L"hidden folder");
        line += L"; " + left + L" left out (-S takes them in)";
    }
    return line;
}

std::wstring failureLine(int code, DWORD system, const std::wstring& path, const std::wstring& systemText) {
    std::wstring what = describe(code, system, path, systemText);
    std::wstring status = std::to_wstring(code) + L" " + kb::statusText(code);
    return L"lspzip: " + (what.empty() ? status : what + L" (" + status + L")");
}

}  // namespace lsz::cli
