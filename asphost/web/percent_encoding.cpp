#include "web/percent_encoding.h"

namespace asphost {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string percentDecode(std::string_view encoded, bool plusIsBlank) {
    std::string bytes;
    bytes.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size(); ++i) {
        char c = encoded[i];
        if (c == '%' && i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0 && hexValue(encoded[i + 2]) >= 0) {
            bytes += static_cast<char>(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsBlank) {
            bytes += ' ';
        } else {
            bytes += c;
        }
    }
    return bytes;
}

}  // namespace asphost
