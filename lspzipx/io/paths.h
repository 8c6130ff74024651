// Full paths, and the exact form every file is reached by: without the
// MAX_PATH limit, so that files deep in a tree can be found, read and
// deleted, and without the trimming that would make one name another.
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

// The "\\?\" form of a full path, which the system takes as it is: a name
// listed as "rep." or "rep " is not trimmed to "rep", and "nul.txt" is a
// file, not the null device. Every open, attribute query and deletion goes
// through it, so that a file listed by one name is never reached by another.
// full must be normalised already (see fullPath): nothing resolves "..",
// "." or "/" in this form.
std::wstring extendedPath(const std::wstring& full);

}  // namespace lsz
