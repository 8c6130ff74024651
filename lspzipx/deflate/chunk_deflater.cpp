#include "deflate/chunk_deflater.h"

#include "base/library_codes.h"

#include <libdeflate.h>

#include <new>

namespace lsz {

namespace {

constexpr size_t kScratchSize = 64 * 1024;
// The empty stored block after a byte boundary: LEN 0 and its complement.
constexpr uint8_t kEmptyStoredLength[] = {0x00, 0x00, 0xFF, 0xFF};

}  // namespace

ChunkDeflater::ChunkDeflater(int level)
    : compressor_(libdeflate_alloc_compressor(level)), scratch_(new uint8_t[kScratchSize]) {
    if (!compressor_) throw std::bad_alloc();
    // Negative window bits: a raw stream, as zip entries hold it.
    int rc = inflateInit2(&walker_, -MAX_WBITS);
    if (rc != Z_OK) {
        libdeflate_free_compressor(compressor_);
        if (rc == Z_MEM_ERROR) throw std::bad_alloc();
        fail(code::InternalError, static_cast<DWORD>(rc));
    }
}

ChunkDeflater::~ChunkDeflater() {
    inflateEnd(&walker_);
    libdeflate_free_compressor(compressor_);
}

size_t ChunkDeflater::deflate(const uint8_t* data, size_t size, bool last, uint8_t* out, size_t capacity) {
    size_t written = libdeflate_deflate_compress(compressor_, data, size, out, capacity);
    if (written == 0) fail(code::InternalError);
    return last ? written : makeJoinable(out, written, capacity);
}

size_t ChunkDeflater::makeJoinable(uint8_t* out, size_t size, size_t capacity) {
    // Inflating with Z_BLOCK stops at the end of every block, with the bits
    // left over in the last byte taken: the position of each block's end,
    // and so of the next one's header, to the bit.
    if (inflateReset(&walker_) != Z_OK) fail(code::InternalError);
    walker_.next_in = out;
    walker_.avail_in = static_cast<uInt>(size);
    size_t blockStart = 0;
    size_t end = 0;
    for (;;) {
        walker_.next_out = scratch_.get();
        walker_.avail_out = static_cast<uInt>(kScratchSize);
        int rc = inflate(&walker_, Z_BLOCK);
        if (rc != Z_OK) fail(code::InternalError, static_cast<DWORD>(rc));
        if (!(walker_.data_type & 128)) continue;  // the output filled up within a block
        size_t at = static_cast<size_t>(walker_.next_in - out) * 8 - (walker_.data_type & 7);
        if (walker_.data_type & 64) {  // the end of the final block
            end = at;
            break;
        }
        blockStart = at;
    }
    // The final flag is the first bit of the last block's header.
    out[blockStart / 8] &= static_cast<uint8_t>(~(1u << (blockStart % 8)));
    // The empty stored block: three zero header bits, which the zero bits
    // after the end fill when there are three of them, then the boundary.
    size_t bytes = (end + 7) / 8;
    if (bytes * 8 - end < 3) out[bytes++] = 0;
    if (bytes + sizeof kEmptyStoredLength > capacity) fail(code::InternalError);
    for (uint8_t b : kEmptyStoredLength) out[bytes++] = b;
    return bytes;
}

}  // namespace lsz
