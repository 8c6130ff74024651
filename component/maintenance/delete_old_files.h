// Removal of download directories that are old enough, with the files in them.
#pragma once

#include "page/page.h"
#include "status/failure.h"

#include <string>

namespace kb {

// Deletes the files directly inside root + name and removes that directory;
// false when anything stays (a subdirectory, a file that cannot be deleted,
// a hidden file that is not the library's leftover) or it is not a
// directory. Nothing is deleted through a link or reparse point, at any
// depth: the directory must resolve to rootResolved + name (the root as the
// system resolves it), and each file to a name directly inside it. Works by
// full path and never changes the process's current directory, which every
// page in the process shares.
bool removeDirectoryTree(const std::wstring& root, const std::wstring& rootResolved, const std::wstring& name);

// Counts the directories removed, 0 on every failure. Writes into the page
// only when it fails.
CountOutcome deleteOldDownloadDirectories(const std::wstring& virtualTargetRoot, short daysOldToDelete, Page& page);

}  // namespace kb
