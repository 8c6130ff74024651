// The source specification: items separated by "|", each a file name, a
// directory, or a directory followed by a name with wildcards.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lsz {

// The items of a specification, with their quotes removed and the blanks
// around them trimmed. Nothing when it cannot be parsed: unbalanced quotes,
// or no item at all.
std::optional<std::vector<std::wstring>> parseSourceSpec(std::wstring_view spec);

bool hasWildcards(std::wstring_view name);

// An item split at its last separator: the directory (possibly "", possibly
// ending in a separator for a root such as "C:\") and the name after it.
struct ItemParts {
    std::wstring directory;
    std::wstring name;
};
ItemParts splitItem(std::wstring_view fullPath);

}  // namespace lsz
