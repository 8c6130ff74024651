// The archive under construction: a temporary file beside the target,
// renamed onto it only when complete and removed on any failure. The file
// is hidden by its leading dot (kb::archiveTemporaryName) and its
// attribute, so that other archives' wildcards pass it over. The archive
// lands in the folder it was made in, held by a handle from the start, or
// nowhere: never in a folder that took that one's place.
#pragma once

#include "common/handles.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lsz {

class ArchiveFile {
public:
    // Creates the temporary file in the target's folder; throws
    // LibError(169) when it cannot. With exactFolder the folder must be
    // itself, not a link to another (its final path is its parent's final
    // path and its own name), here and again at the rename.
    ArchiveFile(const std::wstring& target, bool exactFolder);
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;
    ~ArchiveFile();

    // Writes go through a buffer; a failure throws LibError with the code
    // set for the current stage of the archive.
    void write(const uint8_t* data, size_t size);
    void write(const std::vector<uint8_t>& bytes) { write(bytes.data(), bytes.size()); }
    // Overwrites bytes already written, such as a local header whose sizes
    // became known after its data.
    void patch(uint64_t offset, const std::vector<uint8_t>& bytes);
    uint64_t position() const { return flushed_ + buffer_.size(); }
    void setFailureCode(int32_t code) { failureCode_ = code; }

    // Renames the file onto the target, replacing what was there; throws
    // LibError(189) when the rename fails, when the file no longer lies
    // directly in the folder it was made in, or (with exactFolder) when
    // that folder is no longer itself. With durable, the data reaches
    // the disk first, so that no power cut can leave a renamed archive
    // without its contents: needed when the originals are deleted next,
    // and not worth the wait otherwise.
    void commit(bool durable);

    // Hands the complete file, written out, to a reader before the commit:
    // the handle reads by position (its file pointer is the reader's to
    // move, since nothing is written after). What the reader throws passes
    // on, and the file is removed as on any failure.
    void check(const std::function<void(HANDLE)>& reader);

private:
    void flush();
    void writeAt(uint64_t offset, const uint8_t* data, size_t size);

    std::wstring target_;
    std::wstring folder_;         // the target's, ending in a separator
    std::wstring name_;           // the target's own
    std::wstring temporaryName_;  // the temporary file's, in that folder
    bool exactFolder_;
    kb::UniqueFile folderHandle_;
    kb::UniqueFile file_;
    std::vector<uint8_t> buffer_;
    uint64_t flushed_ = 0;
    int32_t failureCode_;
    bool committed_ = false;
};

}  // namespace lsz
