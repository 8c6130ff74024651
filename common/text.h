// String conversions at the edges: COM strings in, COM strings out, and the
// ANSI code page only where an interface demands it.
#pragma once

#include "common/html_escape.h"

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>

namespace kb {

std::wstring fromBstr(BSTR s);
// A new COM string the caller owns; throws on allocation failure.
BSTR toBstr(std::wstring_view s);

// The ANSI code page form of s, or nothing when the code page cannot hold
// it exactly: no best fit and no default character, since a "?" or a
// look-alike backslash made by the conversion is a wildcard or a path
// separator that nobody typed.
std::optional<std::string> toAnsiExact(std::wstring_view s);
// The reverse; nothing for bytes that are not valid in the code page.
std::optional<std::wstring> fromAnsiExact(std::string_view s);
// Decodes whatever it is given, for text that is only shown.
std::wstring fromAnsi(std::string_view s);
// UTF-8 of s, or nothing when s holds a broken surrogate.
std::optional<std::string> toUtf8Exact(std::wstring_view s);
// UTF-8 for output; a broken surrogate becomes U+FFFD.
std::string toUtf8(std::wstring_view s);
// Decodes UTF-8; a byte that is not part of a valid sequence becomes U+FFFD.
std::wstring fromUtf8(std::string_view s);

inline bool contains(std::wstring_view s, wchar_t c) { return s.find(c) != std::wstring_view::npos; }
inline bool endsWith(std::wstring_view s, wchar_t c) { return !s.empty() && s.back() == c; }

// The system's text for a Win32 error or an HRESULT, on one line and
// without its closing full stop; "" for 0, "system error N" when the system
// has no text for it.
std::wstring systemErrorText(DWORD error);

// Appends a backslash unless the path already ends in one.
std::wstring withTrailingBackslash(std::wstring path);

}  // namespace kb
