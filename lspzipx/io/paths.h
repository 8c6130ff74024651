// Full paths and the extended form that lifts the MAX_PATH limit, so that
// files deep in a tree can be found, read and deleted.
#pragma once

#include <string>
#include <string_view>

namespace lsz {

// The absolute form of path, resolved against the current directory; throws
// LibError(failureCode) when the system cannot make one.
std::wstring fullPath(std::wstring_view path, int failureCode);

// A path split at its last separator: the directory (possibly "", possibly
// ending in a separator for a root such as "C:\") and the name after it.
struct ItemParts {
    std::wstring directory;
    std::wstring name;
};
ItemParts splitItem(std::wstring_view path);

// The "\\?\" form of a full path when it is too long for the plain APIs;
// short paths are returned unchanged.
std::wstring extendedPath(const std::wstring& full);

}  // namespace lsz
