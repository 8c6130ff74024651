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

std::string percentEncodePath(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    static constexpr std::string_view kKept = "-._~!$&'()*+,;=:@/";
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || kKept.find(c) != kKept.npos) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

}  // namespace asphost
