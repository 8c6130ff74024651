#include "status/status_messages.h"

#include "common/status_texts.h"

#include <cstdlib>

namespace kb::status {

const wchar_t* statusMessage(int16_t code) {
    // -32768 widens first, so that it has an absolute value.
    return statusText(std::abs(static_cast<int>(code)));
}

std::wstring errorParagraph(int16_t code) {
    return std::wstring(L"<P><B>Error:</B> ") + statusMessage(code) + L"<P>";
}

}  // namespace kb::status
