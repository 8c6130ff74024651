#include "source/source_list.h"

#include <utility>

namespace lsz {

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// One character of an item and whether it stood inside quotes: a quoted
// blank is part of the name, an unquoted one at either end is padding.
using Marked = std::pair<wchar_t, bool>;

std::wstring trimmedItem(const std::vector<Marked>& chars) {
    size_t first = 0;
    size_t last = chars.size();
    while (first < last && !chars[first].second && isBlank(chars[first].first)) ++first;
    while (last > first && !chars[last - 1].second && isBlank(chars[last - 1].first)) --last;
    std::wstring item;
    for (size_t i = first; i < last; ++i) item += chars[i].first;
    return item;
}

}  // namespace

std::optional<std::vector<std::wstring>> parseSourceSpec(std::wstring_view spec) {
    std::vector<std::wstring> items;
    std::vector<Marked> current;
    bool quoted = false;
    auto endItem = [&] {
        std::wstring item = trimmedItem(current);
        if (!item.empty()) items.push_back(std::move(item));
        current.clear();
    };
    for (wchar_t c : spec) {
        if (c == L'"') {
            quoted = !quoted;
        } else if (c == L'|' && !quoted) {
            endItem();
        } else {
            current.emplace_back(c, quoted);
        }
    }
    if (quoted) return std::nullopt;
    endItem();
    if (items.empty()) return std::nullopt;
    return items;
}

bool hasWildcards(std::wstring_view name) { return name.find_first_of(L"*?") != std::wstring_view::npos; }

ItemParts splitItem(std::wstring_view fullPath) {
    size_t slash = fullPath.find_last_of(L"\\/");
    if (slash == std::wstring_view::npos) return {L"", std::wstring(fullPath)};
    return {std::wstring(fullPath.substr(0, slash + 1)), std::wstring(fullPath.substr(slash + 1))};
}

}  // namespace lsz
