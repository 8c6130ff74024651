// Where the blocks of a raw deflate stream lie, found without inflating it:
// each block's header is read and its codes are decoded only to be
// skipped, so that the cost follows the number of codes, not the bytes
// they stand for.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lsz {

struct LastBlock {
    size_t start = 0;  // bit offset of the final block's header, its BFINAL bit
    size_t end = 0;    // bit offset just after the final block's end
};

// Walks a complete stream (bits counted from the lowest bit of the first
// byte, as deflate packs them) to its final block. Throws
// LibError(InternalError) for a stream that is malformed or ends early.
LastBlock findLastBlock(const uint8_t* data, size_t size);

}  // namespace lsz
