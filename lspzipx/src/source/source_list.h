// The parts of one source item: a file name, a directory, or a directory
// followed by a name with wildcards. Splitting the specification into items
// is common/source_spec.h.
#pragma once

#include <string>
#include <string_view>

namespace lsz {

bool hasWildcards(std::wstring_view name);

// An item split at its last separator: the directory (possibly "", possibly
// ending in a separator for a root such as "C:\") and the name after it.
struct ItemParts {
    std::wstring directory;
    std::wstring name;
};
ItemParts splitItem(std::wstring_view fullPath);

}  // namespace lsz
