// The names entries carry inside the archive.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lsz {

// The name as the zip format wants it: UTF-8 with "/" between directories.
// Throws LibError(152) for a name the format cannot hold.
std::string zipEntryName(std::wstring_view storedName);

bool isAscii(std::string_view name);

// The index of the first name that repeats an earlier one. Names that
// differ only in case count as the same: Windows could not extract both.
std::optional<size_t> firstRepeatedName(const std::vector<std::wstring>& names);

}  // namespace lsz
