// Whether a zip path can take an archive.
#pragma once

#include <string>
#include <string_view>

namespace lsz {

// The full path of the archive to write. Throws LibError(151) when the path
// is empty, names no plain file (see common/file_names.h) or names a
// directory; LibError(169) when its directory does not exist.
std::wstring usableTarget(std::wstring_view zipPath);

}  // namespace lsz
