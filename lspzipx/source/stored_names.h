// The names entries carry inside the archive.
#pragma once

#include <string>
#include <string_view>

namespace lsz {

// The name as the zip format wants it: UTF-8 with "/" between directories.
// Throws LibError(152) for a name the format cannot hold.
std::string zipEntryName(std::wstring_view storedName);

bool isAscii(std::string_view name);

}  // namespace lsz
