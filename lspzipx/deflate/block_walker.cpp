#include "deflate/block_walker.h"

#include "base/library_codes.h"

#include <cstring>

namespace lsz {

namespace {

constexpr unsigned kMaxBits = 15;
constexpr unsigned kFastBits = 10;
constexpr unsigned kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr unsigned kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr unsigned kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

[[noreturn]] void malformed() { fail(code::InternalError); }

class Bits {
public:
    Bits(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t position() const { return pos_; }

    // The next count bits (at most 32), lowest first, left in place. Bits
    // past the end read as zero; taking them fails.
    uint32_t peek(unsigned count) const {
        size_t byte = pos_ >> 3;
        uint64_t word = 0;
        if (byte + 8 <= size_) {
            std::memcpy(&word, data_ + byte, 8);  // little-endian, as deflate packs
        } else {
            for (size_t i = 0; byte + i < size_ && i < 8; ++i) word |= static_cast<uint64_t>(data_[byte + i]) << (8 * i);
        }
        return static_cast<uint32_t>((word >> (pos_ & 7)) & ((uint64_t{1} << count) - 1));
    }
    void skip(size_t count) {
        pos_ += count;
        if (pos_ > size_ * 8) malformed();
    }
    uint32_t take(unsigned count) {
        uint32_t value = peek(count);
        skip(count);
        return value;
    }
    void alignToByte() { skip((8 - (pos_ & 7)) & 7); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A canonical Huffman code: a table for the codes of up to kFastBits bits,
// and the counting decoder for the longer, rarer ones.
class Huffman {
public:
    void build(const uint8_t* lengths, unsigned symbolCount) {
        std::memset(counts_, 0, sizeof counts_);
        std::memset(fast_, 0, sizeof fast_);
        for (unsigned s = 0; s < symbolCount; ++s) ++counts_[lengths[s]];
        counts_[0] = 0;
        int left = 1;
        for (unsigned len = 1; len <= kMaxBits; ++len) {
            left = (left << 1) - counts_[len];
            if (left < 0) malformed();  // more codes than the lengths allow
        }
        uint16_t offsets[kMaxBits + 2] = {};
        for (unsigned len = 1; len <= kMaxBits; ++len) offsets[len + 1] = offsets[len] + counts_[len];
        uint32_t next[kMaxBits + 1] = {};
        for (unsigned len = 1, code = 0; len <= kMaxBits; ++len) {
            code = (code + counts_[len - 1]) << 1;
            next[len] = code;
        }
        for (unsigned s = 0; s < symbolCount; ++s) {
            unsigned len = lengths[s];
            if (len == 0) continue;
            symbols_[offsets[len]++] = static_cast<uint16_t>(s);
            if (len > kFastBits) continue;
            // Deflate sends codes from their highest bit: the table is
            // indexed by the bits as they arrive, reversed.
            uint32_t code = next[len]++, reversed = 0;
            for (unsigned i = 0; i < len; ++i) reversed |= ((code >> i) & 1) << (len - 1 - i);
            for (uint32_t fill = reversed; fill < (1u << kFastBits); fill += 1u << len) {
                fast_[fill] = static_cast<uint16_t>((s << 4) | len);
            }
        }
    }

    unsigned decode(Bits& bits) const {
        uint16_t entry = fast_[bits.peek(kFastBits)];
        if (entry) {
            bits.skip(entry & 15);
            return entry >> 4;
        }
        int code = 0, first = 0, index = 0;
        for (unsigned len = 1; len <= kMaxBits; ++len) {
            code |= static_cast<int>(bits.take(1));
            int count = counts_[len];
            if (code - count < first) return symbols_[index + (code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        malformed();
    }

private:
    uint16_t fast_[1u << kFastBits];
    uint16_t counts_[kMaxBits + 1];
    uint16_t symbols_[288];
};

const Huffman& fixedLiterals() {
    static const Huffman code = [] {
        uint8_t lengths[288];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 112);
        std::memset(lengths + 256, 7, 24);
        std::memset(lengths + 280, 8, 8);
        Huffman h;
        h.build(lengths, 288);
        return h;
    }();
    return code;
}

const Huffman& fixedDistances() {
    static const Huffman code = [] {
        uint8_t lengths[30];
        std::memset(lengths, 5, 30);
        Huffman h;
        h.build(lengths, 30);
        return h;
    }();
    return code;
}

// Decodes a block's codes up to its end, skipping every extra bit.
void skipCodes(Bits& bits, const Huffman& literals, const Huffman& distances) {
    for (;;) {
        unsigned symbol = literals.decode(bits);
        if (symbol < 256) continue;
        if (symbol == 256) return;
        symbol -= 257;
        if (symbol >= 29) malformed();
        bits.skip(kLengthExtra[symbol]);
        unsigned distance = distances.decode(bits);
        if (distance >= 30) malformed();
        bits.skip(kDistanceExtra[distance]);
    }
}

void skipDynamicBlock(Bits& bits, Huffman& literals, Huffman& distances) {
    unsigned literalCount = bits.take(5) + 257;
    unsigned distanceCount = bits.take(5) + 1;
    unsigned codeLengthCount = bits.take(4) + 4;
    if (literalCount > 286 || distanceCount > 30) malformed();
    uint8_t codeLengths[19] = {};
    for (unsigned i = 0; i < codeLengthCount; ++i) codeLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(bits.take(3));
    Huffman lengthCode;
    lengthCode.build(codeLengths, 19);
    uint8_t lengths[286 + 30] = {};
    for (unsigned index = 0; index < literalCount + distanceCount;) {
        unsigned symbol = lengthCode.decode(bits);
        if (symbol < 16) {
            lengths[index++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t repeated = 0;
        unsigned times;
        if (symbol == 16) {
            if (index == 0) malformed();
            repeated = lengths[index - 1];
            times = 3 + bits.take(2);
        } else {
            times = symbol == 17 ? 3 + bits.take(3) : 11 + bits.take(7);
        }
        if (index + times > literalCount + distanceCount) malformed();
        while (times--) lengths[index++] = repeated;
    }
    if (lengths[256] == 0) malformed();  // a block that could never end
    literals.build(lengths, literalCount);
    distances.build(lengths + literalCount, distanceCount);
    skipCodes(bits, literals, distances);
}

}  // namespace

LastBlock findLastBlock(const uint8_t* data, size_t size) {
    Bits bits(data, size);
    Huffman literals, distances;
    for (;;) {
        size_t start = bits.position();
        bool final = bits.take(1) != 0;
        switch (bits.take(2)) {
        case 0: {
            bits.alignToByte();
            uint32_t length = bits.take(16);
            if (bits.take(16) != (~length & 0xFFFF)) malformed();
            bits.skip(static_cast<size_t>(length) * 8);
            break;
        }
        case 1: skipCodes(bits, fixedLiterals(), fixedDistances()); break;
        case 2: skipDynamicBlock(bits, literals, distances); break;
        default: malformed();
        }
        if (final) return {start, bits.position()};
    }
}

}  // namespace lsz
