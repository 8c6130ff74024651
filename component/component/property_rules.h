// What the unguarded setters accept and how they normalise.
#pragma once

#include <string>
#include <string_view>

namespace kb {

// ".zip" is appended to a non-empty name that has no dot anywhere.
std::wstring normaliseZipFileName(std::wstring name);

bool acceptsCompressionRate(short rate);  // 0 to 9
bool acceptsDaysOld(short days);          // 0 and up
// At most 65 characters, no blank and no control character (NUL, tab and
// the rest); "" turns encryption off.
bool acceptsPassword(std::wstring_view password);

}  // namespace kb
