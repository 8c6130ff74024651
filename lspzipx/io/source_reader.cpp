#include "io/source_reader.h"

#include "base/library_codes.h"
#include "io/paths.h"

#include <algorithm>

namespace lsz {

SourceReader::SourceReader(const std::wstring& path)
    : path_(path),
      file_(::CreateFileW(extendedPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
    if (!file_) failWithLastError(code::ReadError, path_);
    // The size of what is open, not of what was listed: it is what gets read.
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file_.get(), &size)) failWithLastError(code::ReadError, path_);
    size_ = static_cast<uint64_t>(size.QuadPart);
}

void SourceReader::read(uint8_t* buffer, size_t n) {
    while (n > 0) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file_.get(), buffer, want, &got, nullptr)) failWithLastError(code::ReadError, path_);
        if (got == 0) fail(code::ReadError, ERROR_HANDLE_EOF, path_);
        buffer += got;
        n -= got;
    }
}

void SourceReader::rewind() {
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(file_.get(), zero, nullptr, FILE_BEGIN)) failWithLastError(code::ReadError, path_);
}

}  // namespace lsz
