// Raw deflate of a whole file in one call, with libdeflate, for the files
// that fit in one piece. Files too large for one piece go through
// ChunkDeflater, whose chunks join into one stream.
#pragma once

#include <cstddef>
#include <cstdint>

struct libdeflate_compressor;

namespace lsz {

class WholeDeflater {
public:
    // Levels 1 to 9, as zlib counts them.
    explicit WholeDeflater(int level);
    WholeDeflater(const WholeDeflater&) = delete;
    WholeDeflater& operator=(const WholeDeflater&) = delete;
    ~WholeDeflater();

    // Deflates data into out and returns the number of bytes written, or 0
    // when they do not fit in capacity.
    size_t deflate(const uint8_t* data, size_t size, uint8_t* out, size_t capacity);

private:
    libdeflate_compressor* compressor_;
};

// The CRC-32 of a piece of data, with the processor's carry-less multiply
// where it has one.
uint32_t crc32Of(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace lsz
