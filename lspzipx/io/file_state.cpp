#include "io/file_state.h"

namespace lsz {

std::optional<FileState> stateOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
    FileState state;
    state.identity.volume = info.dwVolumeSerialNumber;
    state.identity.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    state.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    state.lastWrite = info.ftLastWriteTime;
    return state;
}

}  // namespace lsz
