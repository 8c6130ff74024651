#include "io/paths.h"

#include "base/library_codes.h"

#include <windows.h>

namespace lsz {

std::wstring fullPath(std::wstring_view path, int failureCode) {
    std::wstring in(path);
    DWORD n = ::GetFullPathNameW(in.c_str(), 0, nullptr, nullptr);
    if (n == 0) failWithLastError(failureCode, in);
    std::wstring out(n, L'\0');
    n = ::GetFullPathNameW(in.c_str(), n, out.data(), nullptr);
    if (n == 0 || n >= out.size()) failWithLastError(failureCode, in);
    out.resize(n);
    return out;
}

ItemParts splitItem(std::wstring_view path) {
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring_view::npos) return {L"", std::wstring(path)};
    return {std::wstring(path.substr(0, slash + 1)), std::wstring(path.substr(slash + 1))};
}

std::wstring extendedPath(const std::wstring& full) {
    if (full.rfind(L"\\\\?\\", 0) == 0) return full;
    // "\\.\" asks for the same object as "\\?\" but still has its names trimmed.
    if (full.rfind(L"\\\\.\\", 0) == 0) return L"\\\\?\\" + full.substr(4);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace lsz
