// String conversions at the edges: COM strings in, COM strings out, and the
// ANSI code page only where an interface demands it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace kb {

std::wstring fromBstr(BSTR s);
// A new COM string the caller owns; throws on allocation failure.
BSTR toBstr(std::wstring_view s);

std::string toAnsi(std::wstring_view s);
std::wstring fromAnsi(std::string_view s);
std::string toUtf8(std::wstring_view s);

inline bool contains(std::wstring_view s, wchar_t c) { return s.find(c) != std::wstring_view::npos; }
inline bool endsWith(std::wstring_view s, wchar_t c) { return !s.empty() && s.back() == c; }

// Appends a backslash unless the path already ends in one.
std::wstring withTrailingBackslash(std::wstring path);

// Escapes the five characters that can break out of HTML text or a quoted attribute.
std::wstring htmlEscape(std::wstring_view s);

}  // namespace kb
