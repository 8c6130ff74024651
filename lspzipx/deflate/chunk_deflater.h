// Raw deflate of one chunk of a file. A chunk after the first is primed
// with the 32 KiB before it and every chunk but the last ends on a byte
// boundary, so the chunks of a file, deflated apart and joined in order,
// make one standard deflate stream.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>

namespace lsz {

// The most output a chunk of this size can give.
constexpr size_t chunkOutputBound(size_t size) { return size + size / 1024 + 1024; }

class ChunkDeflater {
public:
    explicit ChunkDeflater(int level);
    ChunkDeflater(const ChunkDeflater&) = delete;
    ChunkDeflater& operator=(const ChunkDeflater&) = delete;
    ~ChunkDeflater();

    // Deflates data into out, which holds at least chunkOutputBound(size)
    // bytes, and returns the number of bytes written.
    size_t deflate(const uint8_t* dictionary, size_t dictionarySize, const uint8_t* data, size_t size, bool last,
                   uint8_t* out, size_t capacity);

private:
    z_stream stream_{};
};

}  // namespace lsz
