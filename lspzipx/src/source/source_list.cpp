#include "source/source_list.h"

namespace lsz {

bool hasWildcards(std::wstring_view name) { return name.find_first_of(L"*?") != std::wstring_view::npos; }

ItemParts splitItem(std::wstring_view fullPath) {
    size_t slash = fullPath.find_last_of(L"\\/");
    if (slash == std::wstring_view::npos) return {L"", std::wstring(fullPath)};
    return {std::wstring(fullPath.substr(0, slash + 1)), std::wstring(fullPath.substr(slash + 1))};
}

}  // namespace lsz
