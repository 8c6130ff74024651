// Full paths and the extended form that lifts the MAX_PATH limit, so that
// files deep in a tree can be found, read and deleted.
#pragma once

#include <string>
#include <string_view>

namespace lsz {

// The absolute form of path, resolved against the current directory; throws
// LibError(failureCode) when the system cannot make one.
std::wstring fullPath(std::wstring_view path, int failureCode);

// The "\\?\" form of a full path when it is too long for the plain APIs;
// short paths are returned unchanged.
std::wstring extendedPath(const std::wstring& full);

}  // namespace lsz
