#include "web/url_encoding.h"

#include "common/text.h"

#include <windows.h>

namespace asphost {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::wstring fromUtf8(std::string_view bytes) { return kb::fromUtf8(bytes); }

std::wstring urlDecode(std::string_view encoded, bool plusIsBlank) {
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
    return fromUtf8(bytes);
}

NameValues parseUrlEncoded(std::string_view encoded) {
    NameValues out;
    size_t start = 0;
    while (start < encoded.size()) {
        size_t amp = encoded.find('&', start);
        if (amp == std::string_view::npos) amp = encoded.size();
        std::string_view pair = encoded.substr(start, amp - start);
        if (!pair.empty()) {
            size_t eq = pair.find('=');
            std::string_view name = pair.substr(0, eq);
            std::string_view value = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
            out.emplace_back(urlDecode(name, true), urlDecode(value, true));
        }
        start = amp + 1;
    }
    return out;
}

std::wstring urlEncode(std::wstring_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::wstring out;
    for (unsigned char b : kb::toUtf8(text)) {
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
            out += static_cast<wchar_t>(b);
        } else if (b == ' ') {
            out += L'+';
        } else {
            out += L'%';
            out += static_cast<wchar_t>(kHex[b >> 4]);
            out += static_cast<wchar_t>(kHex[b & 15]);
        }
    }
    return out;
}

}  // namespace asphost
