// The block walker against zlib's inflate, which, stopping at every block
// with Z_BLOCK, says where each one ends; and joined chunks against a plain
// inflate of the whole.
#include "base/library_codes.h"
#include "deflate/block_walker.h"
#include "deflate/chunk_deflater.h"
#include "test_data.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <vector>

namespace lsz {
namespace {

using Bytes = std::vector<uint8_t>;

LastBlock byInflate(const Bytes& stream) {
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    std::vector<uint8_t> out(1 << 16);
    LastBlock found;
    size_t start = 0;
    for (int rc = Z_OK; rc == Z_OK;) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&z, Z_BLOCK);
        if (rc != Z_OK || !(z.data_type & 128)) continue;
        size_t at = static_cast<size_t>(z.next_in - stream.data()) * 8 - (z.data_type & 7);
        if (z.data_type & 64) {
            found = {start, at};
            break;
        }
        start = at;
    }
    inflateEnd(&z);
    return found;
}

Bytes deflated(const Bytes& data, int level) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    Bytes out(data.size() + data.size() / 8 + 1024);
    out.resize(libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

TEST(BlockWalker, FindsTheLastBlockAsInflateDoes) {
    std::vector<Bytes> inputs = {
        {}, Bytes(1, 'x'), Bytes(300000, 0), test::compressibleBytes(200000, 1), test::noiseBytes(70000, 2),
        test::compressibleBytes(9, 3),  // short: fixed codes
    };
    auto mixed = test::compressibleBytes(100000, 4);
    auto noise = test::noiseBytes(100000, 5);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    inputs.push_back(mixed);
    for (int level : {1, 5, 9, 12}) {
        for (const Bytes& input : inputs) {
            Bytes stream = deflated(input, level);
            LastBlock walked = findLastBlock(stream.data(), stream.size());
            LastBlock expected = byInflate(stream);
            EXPECT_EQ(walked.start, expected.start) << input.size() << " bytes at level " << level;
            EXPECT_EQ(walked.end, expected.end) << input.size() << " bytes at level " << level;
        }
    }
}

TEST(BlockWalker, RefusesWhatIsNotAStream) {
    Bytes stream = deflated(test::compressibleBytes(50000, 6), 6);
    stream.resize(stream.size() / 2);
    EXPECT_THROW(findLastBlock(stream.data(), stream.size()), LibError);
    Bytes reserved = {0x07};  // block type 3
    EXPECT_THROW(findLastBlock(reserved.data(), reserved.size()), LibError);
}

// Chunks deflated apart and joined are one stream, whatever bit each one
// ended on.
TEST(BlockWalker, JoinedChunksInflateAsOne) {
    for (int level : {1, 6, 9}) {
        ChunkDeflater deflater(level);
        Bytes data = test::compressibleBytes(5 * 65536 + 123, 7);
        Bytes stream;
        for (size_t offset = 0; offset < data.size(); offset += 7919) {
            size_t size = std::min<size_t>(7919, data.size() - offset);
            Bytes out(chunkOutputBound(size));
            out.resize(deflater.deflate(data.data() + offset, size, offset + size == data.size(), out.data(), out.size()));
            stream.insert(stream.end(), out.begin(), out.end());
        }
        Bytes back(data.size() + 1);
        uLongf backSize = 0;
        z_stream z{};
        inflateInit2(&z, -MAX_WBITS);
        z.next_in = stream.data();
        z.avail_in = static_cast<uInt>(stream.size());
        z.next_out = back.data();
        z.avail_out = static_cast<uInt>(back.size());
        EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << level;
        backSize = z.total_out;
        EXPECT_EQ(z.avail_in, 0u) << level;
        inflateEnd(&z);
        back.resize(backSize);
        EXPECT_TRUE(back == data) << level;
    }
}

}  // namespace
}  // namespace lsz
