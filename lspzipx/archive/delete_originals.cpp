#include "archive/delete_originals.h"

#include "format/dos_time.h"
#include "io/paths.h"

namespace lsz {

namespace {

// What identifies the state of a file that was zipped: if either differs
// later, the file on disk is no longer the one in the archive.
struct FileState {
    uint64_t size = 0;
    uint64_t lastWrite = 0;
    bool operator==(const FileState&) const = default;
};

}  // namespace

size_t deleteOriginals(const std::deque<PipelineEntry>& entries) {
    size_t left = 0;
    for (const auto& entry : entries) {
        // Folders are only ever entries: deleting them is not asked for.
        if (entry.directory) continue;
        std::wstring path = extendedPath(entry.path);
        WIN32_FILE_ATTRIBUTE_DATA now;
        bool unchanged = ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &now) &&
                         FileState{(static_cast<uint64_t>(now.nFileSizeHigh) << 32) | now.nFileSizeLow,
                                   fileTimeCount(now.ftLastWriteTime)} ==
                             FileState{entry.size, fileTimeCount(entry.lastWrite)};
        if (!unchanged || !::DeleteFileW(path.c_str())) ++left;
    }
    return left;
}

}  // namespace lsz
