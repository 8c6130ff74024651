#include "io/source_file.h"

#include "base/library_codes.h"
#include "io/paths.h"
#include "io/read_at.h"

#include <algorithm>

namespace lsz {

void SourceFile::open() {
    std::lock_guard<std::mutex> lock(mutex_);
    openLocked();
}

void SourceFile::openLocked() {
    if (opened_) return;
    file_.reset(::CreateFileW(extendedPath(path_).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_) failWithLastError(code::ReadError, path_);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_.get(), &size)) failWithLastError(code::ReadError, path_);
    size_ = static_cast<uint64_t>(size.QuadPart);
    opened_ = true;
}

uint64_t SourceFile::size() {
    open();
    return size_;
}

FileIdentity SourceFile::identity() {
    std::lock_guard<std::mutex> lock(mutex_);
    openLocked();
    if (!identityKnown_) {
        std::optional<FileState> state = stateOf(file_.get());
        if (!state) failWithLastError(code::ReadError, path_);
        identity_ = state->identity;
        identityKnown_ = true;
    }
    return identity_;
}

void SourceFile::readAt(uint64_t offset, uint8_t* buffer, size_t n) {
    open();
    if (DWORD error = readExactlyAt(file_.get(), offset, buffer, n)) fail(code::ReadError, error, path_);
}

void SourceFile::readWhole(uint8_t* buffer, size_t n) {
    open();
    while (n > 0) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file_.get(), buffer, want, &got, nullptr)) failWithLastError(code::ReadError, path_);
        if (got == 0) fail(code::ReadError, ERROR_HANDLE_EOF, path_);
        buffer += got;
        n -= got;
    }
}

}  // namespace lsz
