// The page an operation writes into and maps its virtual paths through.
#pragma once

#include <string>

namespace kb {

inline constexpr wchar_t kLineBreak[] = L"\r\n";

class Page {
public:
    virtual ~Page() = default;
    // Writes text and a line break into the page. Never fails: a lost
    // fragment is lost silently, as the page may not be listening.
    virtual void writeHtml(const std::wstring& text) = 0;
    // The physical path for a virtual one; "" means not found. Throws when
    // there is no page or the mapping raises an error.
    virtual std::wstring mapPath(const std::wstring& virtualPath) = 0;
};

}  // namespace kb
