#include "deflate/chunk_deflater.h"

#include "base/library_codes.h"
#include "deflate/block_walker.h"

#include <libdeflate.h>

#include <new>

namespace lsz {

namespace {

// The empty stored block after a byte boundary: LEN 0 and its complement.
constexpr uint8_t kEmptyStoredLength[] = {0x00, 0x00, 0xFF, 0xFF};

}  // namespace

ChunkDeflater::ChunkDeflater(int level) : compressor_(libdeflate_alloc_compressor(level)) {
    if (!compressor_) throw std::bad_alloc();
}

ChunkDeflater::~ChunkDeflater() { libdeflate_free_compressor(compressor_); }

size_t ChunkDeflater::deflate(const uint8_t* data, size_t size, bool last, uint8_t* out, size_t capacity) {
    size_t written = libdeflate_deflate_compress(compressor_, data, size, out, capacity);
    if (written == 0) fail(code::InternalError);
    return last ? written : makeJoinable(out, written, capacity);
}

size_t ChunkDeflater::makeJoinable(uint8_t* out, size_t size, size_t capacity) {
    LastBlock last = findLastBlock(out, size);
    // The final flag is the first bit of the last block's header.
    out[last.start / 8] &= static_cast<uint8_t>(~(1u << (last.start % 8)));
    // The empty stored block: three zero header bits, which the zero bits
    // after the end fill when there are three of them, then the boundary.
    size_t bytes = (last.end + 7) / 8;
    if (bytes * 8 - last.end < 3) out[bytes++] = 0;
    if (bytes + sizeof kEmptyStoredLength > capacity) fail(code::InternalError);
    for (uint8_t b : kEmptyStoredLength) out[bytes++] = b;
    return bytes;
}

}  // namespace lsz
