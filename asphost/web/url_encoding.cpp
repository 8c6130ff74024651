#include "web/url_encoding.h"

#include "common/text.h"
#include "web/percent_encoding.h"

#include <windows.h>

namespace asphost {

std::wstring fromUtf8(std::string_view bytes) { return kb::fromUtf8(bytes); }

std::wstring urlDecode(std::string_view encoded, bool plusIsBlank) { return fromUtf8(percentDecode(encoded, plusIsBlank)); }

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

std::wstring encodePath(std::wstring_view path) { return fromUtf8(percentEncodePath(kb::toUtf8(path))); }

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
