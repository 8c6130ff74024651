// Reading exactly so many bytes of an open file: at an offset, from any
// thread, without moving the file's own position; or from that position.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace lsz {

// Reads n bytes at offset; returns 0, or the system's error, which is
// ERROR_HANDLE_EOF when the file ends first.
DWORD readExactlyAt(HANDLE file, uint64_t offset, uint8_t* buffer, size_t n);

// Reads n bytes from the file's own position, which moves on by them;
// returns as readExactlyAt does. A read at an offset asks the system to
// queue its completion, which under Wine is one more round trip to the
// server: this is the form for a file that one thread reads straight through.
DWORD readExactly(HANDLE file, uint8_t* buffer, size_t n);

}  // namespace lsz
