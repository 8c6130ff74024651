// Encodings of the web: percent-encoding of URLs and forms, UTF-8 on the wire.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace asphost {

using NameValues = std::vector<std::pair<std::wstring, std::wstring>>;

// Decodes %XX escapes (and "+" as a blank when plusIsBlank) and reads the
// bytes as UTF-8. Malformed escapes stay as they are.
std::wstring urlDecode(std::string_view encoded, bool plusIsBlank);

// Splits "a=1&b=2" into decoded pairs, in order; a name may repeat.
NameValues parseUrlEncoded(std::string_view encoded);

// Server.URLEncode: letters and digits stay, a blank becomes "+", every other
// character becomes the %XX escapes of its UTF-8 bytes.
std::wstring urlEncode(std::wstring_view text);

// A decoded virtual path as a URL writes it: its UTF-8 bytes, escaped where
// a path must be (percent_encoding.h).
std::wstring encodePath(std::wstring_view path);

std::wstring fromUtf8(std::string_view bytes);

}  // namespace asphost
