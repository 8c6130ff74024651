#include "archive/delete_originals.h"

#include "common/handles.h"
#include "format/dos_time.h"
#include "io/file_state.h"
#include "io/paths.h"

namespace lsz {

namespace {

// The path is only where the file was: its folder may have been renamed
// since and a link or another folder put in its place. The handle does not
// follow a link at the end of the path, and the file it reaches is deleted
// only when it is the very file read and still in the state zipped. Writers
// are shut out from the check to the deletion.
bool deleteIfTheOneRead(const PipelineEntry& entry) {
    kb::UniqueFile file(::CreateFileW(extendedPath(entry.path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    std::optional<FileState> now = stateOf(file.get());
    if (!now || now->identity != entry.identity || now->size != entry.size ||
        fileTimeCount(now->lastWrite) != fileTimeCount(entry.lastWrite)) {
        return false;
    }
    FILE_DISPOSITION_INFO dispose{TRUE};
    return ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof dispose);
}

}  // namespace

std::vector<std::wstring> deleteOriginals(const std::deque<PipelineEntry>& entries) {
    std::vector<std::wstring> kept;
    for (const auto& entry : entries) {
        // Folders are only ever entries: deleting them is not asked for.
        if (entry.directory) continue;
        if (!deleteIfTheOneRead(entry)) kept.push_back(entry.path);
    }
    return kept;
}

}  // namespace lsz
