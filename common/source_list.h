// The source list: items separated by "|", a name with blanks
// enclosed in double quotes. The component and the library split it with
// this one parser, so that both always see the same items.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kb {

// The items of a source list, with their quotes removed and the blanks
// around them trimmed. Nothing when it cannot be parsed: unbalanced quotes,
// or no item at all.
std::optional<std::vector<std::wstring>> parseSourceList(std::wstring_view list);

// The source list that parses back into exactly these items: an item that
// holds a blank, a tab or a "|" is enclosed in quotes. Items never hold a
// quote of their own.
std::wstring joinSourceList(const std::vector<std::wstring>& items);

}  // namespace kb
