// The HTML escaper: nothing that could end a text or an attribute survives,
// and unescaping gives the input back.
#include "common/html_escape.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::wstring unescape(const std::wstring& s) {
    static const std::pair<const wchar_t*, wchar_t> kEntities[] = {
        {L"&amp;", L'&'}, {L"&lt;", L'<'}, {L"&gt;", L'>'}, {L"&quot;", L'"'}, {L"&#39;", L'\''}};
    std::wstring out;
    for (size_t i = 0; i < s.size();) {
        bool matched = false;
        for (const auto& [entity, c] : kEntities) {
            if (s.compare(i, std::wcslen(entity), entity) == 0) {
                out += c;
                i += std::wcslen(entity);
                matched = true;
                break;
            }
        }
        if (!matched) {
            if (s[i] == L'&') std::abort();  // a bare ampersand
            out += s[i++];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    std::wstring escaped = kb::htmlEscape(text);
    if (escaped.find_first_of(L"<>\"'") != std::wstring::npos) std::abort();
    if (unescape(escaped) != text) std::abort();
    return 0;
}
