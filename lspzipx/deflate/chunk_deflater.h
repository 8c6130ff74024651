// Raw deflate of one chunk of a large file. Each chunk is deflated on its
// own, with libdeflate, as a complete stream; every chunk but the last then
// has its final block marked as not final and ends with an empty stored
// block, which brings it to a byte boundary. The chunks of a file, deflated
// apart on any thread and joined in order, make one standard deflate
// stream, as a sync flush would.
#pragma once

#include <cstddef>
#include <cstdint>

struct libdeflate_compressor;

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
    size_t deflate(const uint8_t* data, size_t size, bool last, uint8_t* out, size_t capacity);

private:
    // Makes a complete stream of size bytes in out joinable: clears its
    // final block's flag and appends the empty stored block. Returns the
    // new size.
    size_t makeJoinable(uint8_t* out, size_t size, size_t capacity);

    libdeflate_compressor* compressor_;
};

}  // namespace lsz
