#include "common/file_names.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cwctype>
#endif

#include <algorithm>
#include <cstdio>

namespace kb {

bool sameName(std::wstring_view a, std::wstring_view b) {
#ifdef _WIN32
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
#else
    // The fuzz targets build the host's parsers natively, without Windows;
    // there the C library folds the letters.
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
           });
#endif
}

namespace {

// Characters that a best-fit conversion to an ANSI code page turns into
// "\", "/" or ":", or that a reader takes for one.
constexpr std::wstring_view kLookAlikes =
    L"\uFF3C\uFF0F\uFF1A"          // fullwidth reverse solidus, solidus, colon
    L"\u2215\u2216\u2044\u2236"    // division slash, set minus, fraction slash, ratio
    L"\u29F5\u29F8\u29F9"          // reverse solidus operator, big solidus, big reverse solidus
    L"\uFE68\uFE55\uFE13\uA789";   // small reverse solidus, small colon, vertical colon, modifier colon

bool isPathSyntax(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == L'\\' || c == L'/' || c == L':';
}

bool isRefusedCharacter(wchar_t c) {
    if (isPathSyntax(c)) return true;
    if (std::wstring_view(L"*?\"<>|").find(c) != std::wstring_view::npos) return true;
    return kLookAlikes.find(c) != std::wstring_view::npos;
}

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 (also with the
// superscript digits Windows accepts there), before any extension and the
// blanks before it; and CONIN$ and CONOUT$, which open the console, the same
// way. COM0 and LPT0 name no device.
bool isDeviceName(std::wstring_view name) {
    std::wstring_view base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    for (std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (sameName(base, device)) return true;
    }
    if (base.size() != 4) return false;
    if (!sameName(base.substr(0, 3), L"COM") && !sameName(base.substr(0, 3), L"LPT")) return false;
    wchar_t digit = base[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

bool isActiveExtension(std::wstring_view name) {
    size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return false;
    std::wstring_view extension = name.substr(dot + 1);
    for (size_t i = 0; i < kActiveContentExtensionCount; ++i) {
        if (sameName(extension, kActiveContentExtensions[i])) return true;
    }
    return false;
}

}  // namespace

const wchar_t* const kActiveContentExtensions[] = {
    L"asp",   L"asa",  L"aspx", L"ascx", L"ashx", L"asmx",  L"axd", L"cer", L"cdx",   L"config", L"htr", L"idc",
    L"shtm",  L"shtml", L"stm", L"php",  L"pl",   L"cgi",   L"exe", L"dll", L"com",   L"bat",    L"cmd", L"vbs",
    L"wsf",   L"hta",  L"htm",  L"html", L"xhtml", L"svg",  L"xml", L"mht", L"mhtml", L"js",
};
const size_t kActiveContentExtensionCount = sizeof kActiveContentExtensions / sizeof kActiveContentExtensions[0];

bool isDownloadName(std::wstring_view name) {
    if (!isPlainFileName(name) || name.front() == L'.') return false;
    if (isActiveExtension(name)) return false;
    size_t semicolon = name.find(L';');
    return semicolon == std::wstring_view::npos || !isActiveExtension(name.substr(0, semicolon));
}

bool hasPlainSegments(std::wstring_view path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"/\\", start);
        if (end == std::wstring_view::npos) end = path.size();
        std::wstring_view segment = path.substr(start, end - start);
        if (!segment.empty() &&
            (segment.find_first_not_of(L'.') == std::wstring_view::npos || segment.back() == L'.' ||
             segment.back() == L' ')) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool isPhysicalPath(std::wstring_view path) { return path.find(L':') != std::wstring_view::npos; }

bool holdsPathSyntax(std::wstring_view name) { return std::any_of(name.begin(), name.end(), isPathSyntax); }

bool isPlainFileName(std::wstring_view name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name) {
        if (isRefusedCharacter(c)) return false;
    }
    if (name.back() == L'.' || name.back() == L' ') return false;
    return !isDeviceName(name);
}

std::wstring withZipExtension(std::wstring name) {
    size_t last = name.find_last_of(L"\\/");
    size_t start = last == std::wstring::npos ? 0 : last + 1;
    if (start < name.size() && name.find(L'.', start) == std::wstring::npos) name += L".zip";
    return name;
}

std::wstring archiveTemporaryName(std::wstring_view archiveName, uint32_t unique) {
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L".%08x.tmp", unique);
    return L"." + std::wstring(archiveName) + suffix;
}

bool isArchiveTemporaryName(std::wstring_view name) {
    constexpr size_t kSuffix = 13;  // ".%08x.tmp"
    if (name.size() < 1 + 1 + kSuffix || name[0] != L'.') return false;
    std::wstring_view suffix = name.substr(name.size() - kSuffix);
    if (suffix[0] != L'.' || suffix.substr(9) != L".tmp") return false;
    for (wchar_t c : suffix.substr(1, 8)) {
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
    }
    return true;
}

}  // namespace kb
