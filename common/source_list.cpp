#include "common/source_list.h"

#include <utility>

namespace kb {

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

std::optional<std::vector<std::wstring>> parseSourceList(std::wstring_view list) {
    std::vector<std::wstring> items;
    std::vector<Marked> current;
    bool quoted = false;
    auto endItem = [&] {
        std::wstring item = trimmedItem(current);
        if (!item.empty()) items.push_back(std::move(item));
        current.clear();
    };
    for (wchar_t c : list) {
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

std::wstring joinSourceList(const std::vector<std::wstring>& items) {
    std::wstring list;
    for (const auto& item : items) {
        if (!list.empty()) list += L'|';
        bool quote = item.find_first_of(L" \t|") != std::wstring::npos;
        list += quote ? L"\"" + item + L"\"" : item;
    }
    return list;
}

}  // namespace kb
