#include "maintenance/delete_old_files.h"

#include "common/clock.h"
#include "common/file_names.h"
#include "common/file_system.h"
#include "common/text.h"
#include "maintenance/download_dir_age.h"
#include "page/site_paths.h"
#include "policy/policy_switches.h"
#include "status/status_messages.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

namespace kb {

namespace {

constexpr wchar_t kOperation[] = L"deleteOldFiles";
constexpr wchar_t kPhysicalRoot[] =
    L"virtualTargetRoot is a physical path, which Server.MapPath refuses; deleteOldFiles takes a path of the web site";

// Whether a file inside a due directory goes with it: ordinary files, and
// the hidden temporary file of a library run that was stopped. Anything
// else hidden, system or read-only keeps its directory.
bool isRemovable(const Entry& entry) {
    DWORD a = entry.attributes;
    if (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT)) {
        return false;
    }
    return !(a & FILE_ATTRIBUTE_HIDDEN) || isArchiveTemporaryName(entry.name);
}

}  // namespace

bool removeDirectoryTree(const std::wstring& root, const std::wstring& rootResolved, const std::wstring& name) {
    try {
        std::wstring path = root + name;
        DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            return false;
        }
        // A link below the root that leads elsewhere is never followed.
        std::wstring resolved = resolvedPath(path);
        if (rootResolved.empty() || !sameName(resolved, withTrailingBackslash(rootResolved) + name)) return false;

        std::vector<Entry> entries;
        forEachEntry(path + L"\\*", Listing::Everything, [&](const Entry& e) {
            entries.push_back(e);
            return true;
        });
        // A directory an operation holds, in this process or any other, is
        // in use whatever its date says; and while this handle is open no
        // operation can take the directory up. (It is opened after the
        // listing, which it would refuse.)
        UniqueFile removal = openDirectoryForRemoval(path);
        if (!removal) return false;
        bool keep = false;
        for (const Entry& e : entries) {
            if (!isRemovable(e) || !deleteFileInside(path, resolved, e.name)) keep = true;
        }
        return !keep && ::RemoveDirectoryW(path.c_str()) != FALSE;
    } catch (...) {
        return false;
    }
}

CountOutcome deleteOldDownloadDirectories(const std::wstring& virtualTargetRoot, short daysOldToDelete, Page& page) {
    std::wstring root;
    try {
        int16_t code = status::Success;
        if (virtualTargetRoot.empty()) {
            code = status::NoTargetRoot;
        } else {
            try {
                root = mapSoundPath(virtualTargetRoot, page);
            } catch (...) {
                // The root is mapped whatever it holds, and the page's
                // MapPath refuses a physical path with nothing but a generic
                // error: the log says what was wrong instead.
                if (!policy::mayBePhysical(virtualTargetRoot)) throw;
                page.writeHtml(status::errorParagraph(status::DeleteOldGeneralError));
                return {0, Failure{kOperation, status::DeleteOldGeneralError, kPhysicalRoot, virtualTargetRoot, 0}};
            }
            if (root.empty()) code = status::TargetRootNotFound;
        }
        if (code != status::Success) {
            page.writeHtml(status::errorParagraph(code));
            return {0, statusFailure(kOperation, code, virtualTargetRoot)};
        }
        root = withTrailingBackslash(root);
        // A root that does not exist lists nothing, and the page is told
        // nothing, as for a root with nothing due; but a typo in the root
        // would then keep the clean-up from ever removing anything, unseen.
        // (Any other trouble with the root fails the listing below.)
        if (::GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
            DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
                return {0, Failure{kOperation, Failure::kNoStatus,
                                   L"Nothing removed: the download root " + virtualTargetRoot + L" is not a folder",
                                   root, error}};
            }
        }
        LocalTime now = localNow();
        CalendarDate today{now.year, now.month, now.day};

        std::vector<std::wstring> due;
        forEachEntry(root + L"CL*", Listing::FilesAndDirectories, [&](const Entry& e) {
            auto date = e.directory ? downloadDirectoryDate(e.name) : std::nullopt;
            if (date && isDue(*date, today, daysOldToDelete)) due.push_back(e.name);
            return true;
        });

        std::wstring rootResolved = due.empty() ? std::wstring() : resolvedPath(root);
        short count = 0;
        for (const auto& name : due) {
            if (!removeDirectoryTree(root, rootResolved, name)) continue;
            // The count is a 16-bit integer; one more than it holds is a fault.
            if (count == INT16_MAX) throw std::overflow_error("count");
            ++count;
        }
        return {count, std::nullopt};
    } catch (...) {
        DWORD fault = currentExceptionCode();
        page.writeHtml(status::errorParagraph(status::DeleteOldGeneralError));
        return {0, faultFailure(kOperation, status::DeleteOldGeneralError, root.empty() ? virtualTargetRoot : root, fault)};
    }
}

}  // namespace kb
