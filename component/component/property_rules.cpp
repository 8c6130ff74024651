#include "component/property_rules.h"

namespace kb {

std::wstring normaliseZipFileName(std::wstring name) {
    if (!name.empty() && name.find(L'.') == std::wstring::npos) name += L".zip";
    return name;
}

bool acceptsCompressionRate(short rate) { return rate >= 0 && rate <= 9; }

bool acceptsDaysOld(short days) { return days >= 0; }

bool acceptsPassword(std::wstring_view password) {
    return password.size() <= 65 && password.find(L' ') == std::wstring_view::npos;
}

}  // namespace kb
