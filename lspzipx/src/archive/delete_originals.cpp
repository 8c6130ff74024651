#include "archive/delete_originals.h"

#include "format/dos_time.h"
#include "io/paths.h"
#include "io/source_reader.h"

namespace lsz {

size_t deleteOriginals(const std::deque<PipelineEntry>& entries) {
    size_t left = 0;
    for (const auto& entry : entries) {
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
