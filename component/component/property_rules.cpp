#include "component/property_rules.h"

#include "common/file_names.h"

namespace kb {

std::wstring normaliseZipFileName(std::wstring name) { return withZipExtension(std::move(name)); }

bool acceptsCompressionRate(short rate) { return rate >= 0 && rate <= 9; }

bool acceptsDaysOld(short days) { return days >= 0; }

bool acceptsPassword(std::wstring_view password) {
    if (password.size() > 65) return false;
    for (wchar_t c : password) {
        // A NUL would end the password where the library reads it, so the
        // archive would open with less than the page was told; no other
        // control character is typed at a password prompt either.
        if (c == L' ' || c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    }
    return true;
}

}  // namespace kb
