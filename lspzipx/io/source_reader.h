// One source file opened for reading. Writers are shut out while it is
// open, so the bytes zipped are one consistent state of the file. Its time
// and attributes come from the directory listing, which has them already.
#pragma once

#include "common/handles.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace lsz {

class SourceReader {
public:
    // Throws LibError(178) when the file cannot be opened.
    explicit SourceReader(const std::wstring& path);

    uint64_t size() const { return size_; }

    // Reads exactly n bytes; throws LibError(178) on a read error or when
    // the file ends early.
    void read(uint8_t* buffer, size_t n);
    void rewind();

private:
    std::wstring path_;  // named in failures
    kb::UniqueFile file_;
    uint64_t size_ = 0;
};

}  // namespace lsz
