#include "archive/target_path.h"

#include "archive/library_codes.h"
#include "io/paths.h"
#include "source/source_list.h"

#include <windows.h>

namespace lsz {

std::wstring usableTarget(std::wstring_view zipPath) {
    if (zipPath.empty()) fail(code::InvalidZipName);
    std::wstring full = fullPath(zipPath, code::InvalidZipName);
    ItemParts parts = splitItem(full);
    if (parts.name.empty() || parts.name == L"." || parts.name == L"..") fail(code::InvalidZipName);
    if (parts.name.find_first_of(L"*?<>|\"") != std::wstring::npos) fail(code::InvalidZipName);
    for (wchar_t c : parts.name) {
        if (c < 32) fail(code::InvalidZipName);
    }
    DWORD target = ::GetFileAttributesW(extendedPath(full).c_str());
    if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_DIRECTORY)) fail(code::InvalidZipName);
    DWORD folder = ::GetFileAttributesW(extendedPath(parts.directory).c_str());
    if (folder == INVALID_FILE_ATTRIBUTES || !(folder & FILE_ATTRIBUTE_DIRECTORY)) {
        fail(code::InvalidZipName, ::GetLastError());
    }
    return full;
}

}  // namespace lsz
