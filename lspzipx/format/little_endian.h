// Appending little-endian integers, the byte order of every zip field.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace lsz {

class ByteWriter {
public:
    ByteWriter& u8(uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    ByteWriter& u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
    ByteWriter& u32(uint32_t v) { return u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16)); }
    ByteWriter& u64(uint64_t v) { return u32(static_cast<uint32_t>(v)).u32(static_cast<uint32_t>(v >> 32)); }
    ByteWriter& bytes(std::string_view s) {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        return *this;
    }
    ByteWriter& bytes(const std::vector<uint8_t>& b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    size_t size() const { return bytes_.size(); }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace lsz
