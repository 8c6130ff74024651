#include "source/stored_names.h"

#include "base/library_codes.h"
#include "common/file_names.h"

#include <windows.h>

namespace lsz {

namespace {

// An extracting tool joins the name to its own folder: a part that is
// empty (a leading separator), "." or "..", or that holds a drive or
// stream colon, would put the file somewhere else.
bool staysBelow(std::wstring_view storedName) {
    for (size_t start = 0;;) {
        size_t end = storedName.find(L'\\', start);
        std::wstring_view part = storedName.substr(start, end == std::wstring_view::npos ? end : end - start);
        if (part.empty() || part == L"." || part == L".." || kb::holdsPathSyntax(part)) return false;
        if (end == std::wstring_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace

std::string zipEntryName(std::wstring_view storedName) {
    if (!staysBelow(storedName)) fail(code::InvalidSource, ERROR_INVALID_NAME);
    std::wstring name(storedName);
    for (auto& c : name) {
        if (c == L'\\') c = L'/';
    }
    // A name with a broken surrogate would not survive the trip to UTF-8
    // and back; refuse it rather than store a different name.
    int n = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()), nullptr,
                                  0, nullptr, nullptr);
    if (n <= 0 || n > 0xFFFF) fail(code::InvalidSource, ::GetLastError());
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()), out.data(), n,
                          nullptr, nullptr);
    return out;
}

bool isAscii(std::string_view name) {
    for (unsigned char c : name) {
        if (c >= 0x80) return false;
    }
    return true;
}

}  // namespace lsz
