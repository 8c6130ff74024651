// One source file, opened for reading on first use and read at offsets, so
// that the tasks reading pieces of a large file on several threads share
// one handle. Writers are shut out while it is open, so the bytes zipped
// are one consistent state of the file. Its time and attributes come from
// the directory listing, which has them already.
#pragma once

#include "common/handles.h"
#include "io/file_state.h"

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>

namespace lsz {

class SourceFile {
public:
    explicit SourceFile(std::wstring path) : path_(std::move(path)) {}

    // The size of what is open: what gets read, whatever the listing said.
    // Throws LibError(178) when the file cannot be opened.
    uint64_t size();

    // The file that is open, so that deleting it later can make sure it
    // deletes this file and no other; throws as size() does. Asked for only
    // then: the volume's serial number is a request to the mount manager
    // under Wine, dearer than opening and reading a small file.
    FileIdentity identity();

    // Reads exactly n bytes at offset; throws LibError(178) on a read error
    // or when the file ends early. Safe from several threads at once.
    void readAt(uint64_t offset, uint8_t* buffer, size_t n);

    // Reads exactly n bytes from the start, by the file's own position
    // (readExactly): for a file that one thread reads whole, never with
    // readAt. Throws as readAt does.
    void readWhole(uint8_t* buffer, size_t n);

private:
    void open();
    void openLocked();  // with mutex_ held

    std::wstring path_;
    // Not std::call_once: a throwing call leaves some runtimes' once flag
    // stuck, and an open that fails must be able to fail again.
    std::mutex mutex_;
    bool opened_ = false;
    kb::UniqueFile file_;
    uint64_t size_ = 0;
    bool identityKnown_ = false;
    FileIdentity identity_;
};

}  // namespace lsz
