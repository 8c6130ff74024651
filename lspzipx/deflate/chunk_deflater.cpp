#include "deflate/chunk_deflater.h"

#include "base/library_codes.h"

#include <new>

namespace lsz {

ChunkDeflater::ChunkDeflater(int level) {
    // Negative window bits: a raw stream, as zip entries hold it.
    int rc = deflateInit2(&stream_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (rc == Z_MEM_ERROR) throw std::bad_alloc();
    if (rc != Z_OK) fail(code::InternalError, static_cast<DWORD>(rc));
}

ChunkDeflater::~ChunkDeflater() { deflateEnd(&stream_); }

size_t ChunkDeflater::deflate(const uint8_t* dictionary, size_t dictionarySize, const uint8_t* data, size_t size,
                              bool last, uint8_t* out, size_t capacity) {
    if (deflateReset(&stream_) != Z_OK) fail(code::InternalError);
    if (dictionarySize > 0 &&
        deflateSetDictionary(&stream_, dictionary, static_cast<uInt>(dictionarySize)) != Z_OK) {
        fail(code::InternalError);
    }
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(capacity);
    int rc = ::deflate(&stream_, last ? Z_FINISH : Z_SYNC_FLUSH);
    // Output that filled the buffer to the last byte may not be complete.
    bool complete = last ? rc == Z_STREAM_END : rc == Z_OK && stream_.avail_in == 0 && stream_.avail_out > 0;
    if (!complete) fail(code::InternalError, static_cast<DWORD>(rc));
    return capacity - stream_.avail_out;
}

}  // namespace lsz
