#include "io/read_at.h"

#include <algorithm>

namespace lsz {

DWORD readExactlyAt(HANDLE file, uint64_t offset, uint8_t* buffer, size_t n) {
    while (n > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD want = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file, buffer, want, &got, &at)) return ::GetLastError();
        if (got == 0) return ERROR_HANDLE_EOF;
        buffer += got;
        n -= got;
        offset += got;
    }
    return 0;
}

}  // namespace lsz
