#include "io/source_file.h"

#include "base/library_codes.h"
#include "io/paths.h"
#include "io/read_at.h"

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
    if (DWORD error = readExactly(file_.get(), buffer, n)) fail(code::ReadError, error, path_);
}

}  // namespace lsz
