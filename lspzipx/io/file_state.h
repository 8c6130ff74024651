// Which file a handle holds, whatever path led to it, and the state it is
// in. A path can come to lead elsewhere while an archive is written (its
// folder renamed, a link put in its place); a file's volume and index on
// that volume cannot, so they tell the file read from any other.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace lsz {

struct FileIdentity {
    DWORD volume = 0;    // the volume's serial number
    uint64_t index = 0;  // the file's index on that volume
    bool operator==(const FileIdentity&) const = default;
};

struct FileState {
    FileIdentity identity;
    uint64_t size = 0;
    FILETIME lastWrite{};
};

// The state of the file open as handle; nothing, with the system's error
// left for GetLastError, when the system cannot tell.
std::optional<FileState> stateOf(HANDLE file);

}  // namespace lsz
