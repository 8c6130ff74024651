#include "common/text.h"

#include "common/errors.h"

namespace kb {

std::wstring fromBstr(BSTR s) {
    return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring();
}

BSTR toBstr(std::wstring_view s) {
    return throwIfNull(::SysAllocStringLen(s.data(), static_cast<UINT>(s.size())));
}

namespace {

// flags must make the conversion fail, or report a default character, for
// anything the code page cannot hold.
std::optional<std::string> narrowExact(UINT codePage, DWORD flags, bool askDefault, std::wstring_view s) {
    if (s.empty()) return std::string();
    BOOL usedDefault = FALSE;
    BOOL* lossy = askDefault ? &usedDefault : nullptr;
    int n = ::WideCharToMultiByte(codePage, flags, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, lossy);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, flags, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::optional<std::string> toAnsiExact(std::wstring_view s) {
    // A machine whose ANSI code page is UTF-8 takes these flags for it.
    UINT acp = ::GetACP();
    if (acp == CP_UTF8) return narrowExact(CP_UTF8, WC_ERR_INVALID_CHARS, false, s);
    return narrowExact(CP_ACP, WC_NO_BEST_FIT_CHARS, true, s);
}

std::optional<std::string> toUtf8Exact(std::wstring_view s) {
    return narrowExact(CP_UTF8, WC_ERR_INVALID_CHARS, false, s);
}

std::string toUtf8(std::wstring_view s) {
    std::optional<std::string> out = narrowExact(CP_UTF8, 0, false, s);
    if (!out) throwLastError();
    return *out;
}

namespace {

std::optional<std::wstring> widen(UINT codePage, DWORD flags, std::string_view s) {
    if (s.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(codePage, flags, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, flags, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

}  // namespace

std::optional<std::wstring> fromAnsiExact(std::string_view s) { return widen(CP_ACP, MB_ERR_INVALID_CHARS, s); }

std::wstring fromAnsi(std::string_view s) {
    std::optional<std::wstring> out = widen(CP_ACP, 0, s);
    if (!out) throwLastError();
    return *out;
}

std::wstring fromUtf8(std::string_view s) { return widen(CP_UTF8, 0, s).value_or(std::wstring()); }

std::wstring systemErrorText(DWORD error) {
    if (error == 0) return {};
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = n ? std::wstring(text, n) : L"system error " + std::to_wstring(error);
    ::LocalFree(text);
    for (auto& c : out) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    while (!out.empty() && (out.back() == L' ' || out.back() == L'.')) out.pop_back();
    return out;
}

std::wstring withTrailingBackslash(std::wstring path) {
    if (!endsWith(path, L'\\')) path += L'\\';
    return path;
}

}  // namespace kb
