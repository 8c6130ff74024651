// Text that goes into HTML. Free of the platform, so that it can be fuzzed
// on its own.
#pragma once

#include <string>
#include <string_view>

namespace kb {

// Escapes the five characters that can break out of HTML text or a quoted attribute.
std::wstring htmlEscape(std::wstring_view s);

}  // namespace kb
