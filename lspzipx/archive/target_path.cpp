#include "archive/target_path.h"

#include "base/library_codes.h"
#include "common/file_names.h"
#include "io/paths.h"

#include <windows.h>

namespace lsz {

std::wstring usableTarget(std::wstring_view zipPath) {
    // The name given must be the name written: Windows would drop a trailing
    // dot (full paths already have), open a device, or read a colon as a
    // stream.
    if (!kb::isPlainFileName(splitItem(zipPath).name)) fail(code::InvalidZipName, ERROR_INVALID_NAME, zipPath);
    std::wstring full = fullPath(zipPath, code::InvalidZipName);
    ItemParts parts = splitItem(full);
    if (!kb::isPlainFileName(parts.name)) fail(code::InvalidZipName, ERROR_INVALID_NAME, full);
    DWORD target = ::GetFileAttributesW(extendedPath(full).c_str());
    if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_DIRECTORY)) {
        fail(code::InvalidZipName, ERROR_ALREADY_EXISTS, full);  // the name is a folder's
    }
    // A folder that is not there is no fault of the name: it may have been
    // removed since the caller made it.
    DWORD folder = ::GetFileAttributesW(extendedPath(parts.directory).c_str());
    if (folder == INVALID_FILE_ATTRIBUTES) failWithLastError(code::CannotCreate, parts.directory);
    if (!(folder & FILE_ATTRIBUTE_DIRECTORY)) fail(code::InvalidZipName, ERROR_DIRECTORY, parts.directory);
    return full;
}

}  // namespace lsz
