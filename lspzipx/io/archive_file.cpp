#include "io/archive_file.h"

#include "base/library_codes.h"
#include "common/file_names.h"
#include "common/file_system.h"
#include "crypto/cng.h"
#include "io/paths.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace lsz {

namespace {

constexpr size_t kBufferSize = 1 << 20;
constexpr int kNameAttempts = 16;

// The path the system gives for what handle holds, every link on the way
// resolved; "" when it cannot tell.
std::wstring finalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return L"";
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n);
    }
}

std::wstring joined(const std::wstring& folder, const std::wstring& name) {
    return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

// Deletion is shared: the folder may be renamed or removed under the
// handle, as it could be before there was one.
kb::UniqueFile openFolder(const std::wstring& folder) {
    return kb::UniqueFile(::CreateFileW(extendedPath(folder).c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Whether folder (a full path ending in a separator), whose handle's final
// path is where, is itself: no link stands in its place, so where is its
// parent's final path and its own name. A root is itself when the volume
// is reached by its own name.
bool isItself(const std::wstring& folder, const std::wstring& where) {
    ItemParts parts = splitItem(std::wstring_view(folder).substr(0, folder.size() - 1));
    if (parts.directory.empty()) return kb::sameName(where, extendedPath(folder));
    kb::UniqueFile parent = openFolder(parts.directory);
    std::wstring above = parent ? finalPath(parent.get()) : L"";
    return !above.empty() && kb::sameName(where, joined(above, parts.name));
}

// What the failures of a folder that is not where it was, or not itself,
// give as the system's error.
constexpr DWORD kNotItself = ERROR_CANT_RESOLVE_FILENAME;

}  // namespace

ArchiveFile::ArchiveFile(const std::wstring& target, bool exactFolder)
    : target_(target), exactFolder_(exactFolder), failureCode_(code::WriteError) {
    ItemParts parts = splitItem(target);
    folder_ = parts.directory;
    name_ = parts.name;
    // The temporary file's name means nothing to the caller; its folder does.
    folderHandle_ = openFolder(folder_);
    if (!folderHandle_) failWithLastError(code::CannotCreate, folder_);
    std::wstring where = finalPath(folderHandle_.get());
    if (where.empty()) failWithLastError(code::CannotCreate, folder_);
    if (exactFolder_ && !isItself(folder_, where)) fail(code::CannotCreate, kNotItself, folder_);
    // Made by the folder's final path, the file lies in the folder held,
    // whatever its given path leads to by now.
    for (int attempt = 0; attempt < kNameAttempts && !file_; ++attempt) {
        uint32_t unique = 0;
        randomBytes(reinterpret_cast<uint8_t*>(&unique), sizeof unique);
        temporaryName_ = kb::archiveTemporaryName(name_, unique);
        file_.reset(::CreateFileW(joined(where, temporaryName_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
        if (!file_ && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file_) failWithLastError(code::CannotCreate, folder_);
    buffer_.reserve(kBufferSize);
}

ArchiveFile::~ArchiveFile() {
    if (committed_ || !file_) return;
    // Through the handle: the temporary file goes, wherever it now is, and
    // nothing that has taken its name since.
    FILE_DISPOSITION_INFO dispose{TRUE};
    ::SetFileInformationByHandle(file_.get(), FileDispositionInfo, &dispose, sizeof dispose);
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

void ArchiveFile::check(const std::function<void(HANDLE)>& reader) {
    flush();
    reader(file_.get());
}

void ArchiveFile::commit(bool durable) {
    failureCode_ = code::EndRecordError;
    flush();
    if (durable && !::FlushFileBuffers(file_.get())) failWithLastError(failureCode_, target_);
    // The archive is no scratch file any more: it shows like any other.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    ::SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof basic);
    // The folder may have been renamed since the archive was begun, and a
    // link or another folder put in its place: the archive takes its name
    // in the folder it was made in, or nowhere.
    std::wstring where = finalPath(folderHandle_.get());
    if (where.empty() || !kb::sameName(finalPath(file_.get()), joined(where, temporaryName_)) ||
        (exactFolder_ && !isItself(folder_, where))) {
        fail(code::RenameFailed, kNotItself, target_);
    }
    // By the folder's final path, not relative to its handle: Wine 8's
    // SetFileInformationByHandle refuses a RootDirectory (87), and the
    // check above has just said that path is the folder held.
    std::wstring name = joined(where, name_);
    std::vector<uint8_t> buffer(offsetof(FILE_RENAME_INFO, FileName) + (name.size() + 1) * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    if (!::SetFileInformationByHandle(file_.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
        failWithLastError(code::RenameFailed, target_);
    }
    committed_ = true;
    file_.reset();
}

}  // namespace lsz
