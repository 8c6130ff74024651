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

// The index of the first name that repeats an earlier one exactly. Names
// that differ in case are different entries, as they are different files on
// a case-sensitive file system.
std::optional<size_t> firstRepeatedName(const std::vector<std::string>& names);

}  // namespace lsz
