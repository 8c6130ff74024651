#include "io/archive_file.h"

#include "base/library_codes.h"
#include "common/file_names.h"
#include "crypto/cng.h"
#include "io/paths.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace lsz {

namespace {

constexpr size_t kBufferSize = 1 << 20;
constexpr int kNameAttempts = 16;

}  // namespace

std::wstring temporaryName(const std::wstring& target, uint32_t unique) {
    ItemParts parts = splitItem(target);
    return parts.directory + kb::archiveTemporaryName(parts.name, unique);
}

ArchiveFile::ArchiveFile(const std::wstring& target) : target_(target), failureCode_(code::WriteError) {
    for (int attempt = 0; attempt < kNameAttempts && !file_; ++attempt) {
        uint32_t unique = 0;
        randomBytes(reinterpret_cast<uint8_t*>(&unique), sizeof unique);
        temporary_ = temporaryName(target, unique);
        file_.reset(::CreateFileW(extendedPath(temporary_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN, nullptr));
        if (!file_ && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file_) {
        DWORD err = ::GetLastError();
        temporary_.clear();
        // The temporary name means nothing to the caller; its folder does.
        fail(code::CannotCreate, err, splitItem(target).directory);
    }
    buffer_.reserve(kBufferSize);
}

ArchiveFile::~ArchiveFile() {
    if (committed_ || temporary_.empty()) return;
    file_.reset();
    ::DeleteFileW(extendedPath(temporary_).c_str());
}

void ArchiveFile::writeAt(uint64_t offset, const uint8_t* data, size_t size) {
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file_.get(), data, chunk, &written, &at) || written == 0) failWithLastError(failureCode_, target_);
        data += written;
        size -= written;
        offset += written;
    }
}

void ArchiveFile::flush() {
    writeAt(flushed_, buffer_.data(), buffer_.size());
    flushed_ += buffer_.size();
    buffer_.clear();
}

void ArchiveFile::write(const uint8_t* data, size_t size) {
    if (buffer_.size() + size > kBufferSize) {
        flush();
        if (size >= kBufferSize) {
            writeAt(flushed_, data, size);
            flushed_ += size;
            return;
        }
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

void ArchiveFile::patch(uint64_t offset, const std::vector<uint8_t>& bytes) {
    if (offset >= flushed_) {
        std::memcpy(buffer_.data() + (offset - flushed_), bytes.data(), bytes.size());
        return;
    }
    if (offset + bytes.size() > flushed_) flush();
    writeAt(offset, bytes.data(), bytes.size());
}

void ArchiveFile::commit(bool durable) {
    failureCode_ = code::EndRecordError;
    flush();
    if (durable && !::FlushFileBuffers(file_.get())) failWithLastError(failureCode_, target_);
    // The archive is no scratch file any more: it shows like any other.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    ::SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof basic);
    file_.reset();
    if (!::MoveFileExW(extendedPath(temporary_).c_str(), extendedPath(target_).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        failWithLastError(code::RenameFailed, target_);
    }
    committed_ = true;
}

}  // namespace lsz
