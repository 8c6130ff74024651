// Reading exactly so many bytes at an offset of an open file, from any
// thread, without moving the file's own position.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace lsz {

// Reads n bytes at offset; returns 0, or the system's error, which is
// ERROR_HANDLE_EOF when the file ends first.
DWORD readExactlyAt(HANDLE file, uint64_t offset, uint8_t* buffer, size_t n);

}  // namespace lsz
