#include "deflate/whole_deflater.h"

#include <libdeflate.h>

#include <new>

namespace lsz {

WholeDeflater::WholeDeflater(int level) : compressor_(libdeflate_alloc_compressor(level)) {
    if (!compressor_) throw std::bad_alloc();
}

WholeDeflater::~WholeDeflater() { libdeflate_free_compressor(compressor_); }

size_t WholeDeflater::deflate(const uint8_t* data, size_t size, uint8_t* out, size_t capacity) {
    return libdeflate_deflate_compress(compressor_, data, size, out, capacity);
}

uint32_t crc32Of(uint32_t crc, const uint8_t* data, size_t size) { return libdeflate_crc32(crc, data, size); }

}  // namespace lsz
