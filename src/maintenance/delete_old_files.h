// Removal of download directories that are old enough, with the files in them.
#pragma once

#include "component/page.h"
#include "component/state.h"

#include <string>

namespace kb {

// Deletes the files directly inside path and removes the directory; false
// when anything stays (a subdirectory, a file that cannot be deleted) or path
// is not a directory. Works by full path and never changes the process's
// current directory, which every page in the process shares.
bool removeDirectoryTree(const std::wstring& path);

// Returns the number of directories removed, 0 on every failure. Writes into
// the page only when it fails.
short deleteOldDownloadDirectories(const ComponentState& state, Page& page);

}  // namespace kb
