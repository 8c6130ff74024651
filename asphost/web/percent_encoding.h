// Percent-decoding of URLs and forms, byte for byte. Free of the platform,
// so that it can be fuzzed on its own; url_encoding.h reads the bytes as
// UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace asphost {

// Decodes %XX escapes (and "+" as a blank when plusIsBlank). A "%" not
// followed by two hex digits stays as it is.
std::string percentDecode(std::string_view encoded, bool plusIsBlank);

// The %XX form of a path's bytes for a URL: letters, digits, "/" and the
// marks a path may carry unescaped stay; "%", "#", "?", blanks, controls
// and every byte above 127 are escaped.
std::string percentEncodePath(std::string_view bytes);

}  // namespace asphost
