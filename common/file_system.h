// Directory listing and deletion by wildcard, with the file system's own
// matching (case-insensitive; "*.*" matches every name) and its own order.
#pragma once

#include "common/handles.h"

#include <windows.h>

#include <functional>
#include <string>

namespace kb {

enum class Listing {
    Files,                // ordinary files: no directories, nothing hidden or system
    FilesAndDirectories,  // the same plus directories that are neither hidden nor system
    Everything,           // every entry but "." and "..", hidden and system ones too
};

struct Entry {
    std::wstring name;  // bare name, no directory
    bool directory = false;
    DWORD attributes = 0;  // as the listing gave them
};

// Calls visit for every entry that matches pattern (a directory path followed
// by a name that may hold wildcards) until visit returns false. A pattern
// that matches nothing, or whose directory does not exist, visits nothing;
// any other failure of the enumeration throws.
void forEachEntry(const std::wstring& pattern, Listing kind, const std::function<bool(const Entry&)>& visit);

// The first ordinary file that matches pattern, or "" when none does.
std::wstring firstFile(const std::wstring& pattern);

std::wstring currentDirectory();

// The path the system resolves path to, links followed, in its long form
// (the "\\?\" form); "" when it cannot be opened.
std::wstring resolvedPath(const std::wstring& path);

// Deletes the file name directly inside folder, unless it is a link or a
// reparse point, or resolves anywhere but folderResolved + "\" + name: a
// link is never deleted through. The file is deleted through the handle
// that was checked. False when anything keeps it.
bool deleteFileInside(const std::wstring& folder, const std::wstring& folderResolved, const std::wstring& name);

// A directory held open for the work going on inside it. The handle shares
// reading and writing but not deletion, so that no process, here or on
// another machine sharing the folder, can remove the directory while it is
// held; and a process that stops, however it stops, lets go of it. Invalid
// when the directory is gone or is being removed.
UniqueFile holdDirectory(const std::wstring& path);

// Opens a directory for its removal. Invalid with ERROR_SHARING_VIOLATION
// while holdDirectory holds it; while this handle is open, holdDirectory
// fails in turn, and so does listing the directory.
UniqueFile openDirectoryForRemoval(const std::wstring& path);

// The absolute form of path as the system resolves it before any file is
// opened ("." and ".." folded, trailing dots and blanks dropped); "" when it
// has none.
std::wstring fullPathName(const std::wstring& path);

// True when path is folder itself or lies below it; both are full paths,
// compared as the file system compares names.
bool liesWithin(std::wstring_view path, std::wstring_view folder);

}  // namespace kb
