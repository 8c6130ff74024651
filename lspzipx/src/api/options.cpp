#include "api/options.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace lsz {

ExecuteOptions decodeOptions(int32_t word) {
    ExecuteOptions o;
    o.encrypt = (word & option::Encrypt) != 0;
    o.recurse = (word & option::Recurse) != 0;
    o.keepPaths = (word & option::KeepPaths) != 0;
    o.deleteOriginals = (word & option::DeleteOriginals) != 0;
    return o;
}

bool passwordAcceptable(std::string_view password) {
    return !password.empty() && password.size() <= kMaxPasswordBytes;
}

unsigned workerThreads(const wchar_t* environmentValue, unsigned processors) {
    if (environmentValue && *environmentValue) {
        wchar_t* end = nullptr;
        long n = std::wcstol(environmentValue, &end, 10);
        if (*end == L'\0' && n >= 1 && n <= 64) return static_cast<unsigned>(n);
    }
    return std::clamp(processors, 1u, 8u);
}

}  // namespace lsz
