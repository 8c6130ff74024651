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

std::string narrow(UINT codePage, std::wstring_view s) {
    if (s.empty()) return {};
    int n = ::WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) throwLastError();
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::string toAnsi(std::wstring_view s) { return narrow(CP_ACP, s); }
std::string toUtf8(std::wstring_view s) { return narrow(CP_UTF8, s); }

std::wstring fromAnsi(std::string_view s) {
    if (s.empty()) return {};
    int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) throwLastError();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::wstring withTrailingBackslash(std::wstring path) {
    if (!endsWith(path, L'\\')) path += L'\\';
    return path;
}

std::wstring htmlEscape(std::wstring_view s) {
    std::wstring out;
    out.reserve(s.size());
    for (wchar_t c : s) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        case L'\'': out += L"&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace kb
