// The names entries carry inside the archive.
#pragma once

#include <string>
#include <string_view>

namespace lsz {

// The name as the zip format wants it: UTF-8 with "/" between directories.
// Throws LibError(152) for a name the format cannot hold, and for one that
// would be extracted anywhere but below the extracting folder, whatever a
// listing gave: a part that is empty, "." or "..", or holds a colon (a
// drive letter or a stream), a "/" or a control character.
std::string zipEntryName(std::wstring_view storedName);

bool isAscii(std::string_view name);

}  // namespace lsz
