#include "io/read_at.h"

#include <algorithm>
#include <optional>

namespace lsz {

namespace {

// At offset when one is given, else from the file's own position.
DWORD readLoop(HANDLE file, std::optional<uint64_t> offset, uint8_t* buffer, size_t n) {
    while (n > 0) {
        OVERLAPPED at{};
        if (offset) {
            at.Offset = static_cast<DWORD>(*offset);
            at.OffsetHigh = static_cast<DWORD>(*offset >> 32);
        }
        DWORD want = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file, buffer, want, &got, offset ? &at : nullptr)) return ::GetLastError();
        if (got == 0) return ERROR_HANDLE_EOF;
        buffer += got;
        n -= got;
        if (offset) *offset += got;
    }
    return 0;
}

}  // namespace

DWORD readExactlyAt(HANDLE file, uint64_t offset, uint8_t* buffer, size_t n) {
    return readLoop(file, offset, buffer, n);
}

DWORD readExactly(HANDLE file, uint8_t* buffer, size_t n) { return readLoop(file, std::nullopt, buffer, n); }

}  // namespace lsz
