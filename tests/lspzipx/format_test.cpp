#include "format/dos_time.h"
#include "format/records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace lsz {
namespace {

uint32_t le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b.at(at + i);
    return v;
}
uint64_t le64(const std::vector<uint8_t>& b, size_t at) {
    return le(b, at, 4) | (static_cast<uint64_t>(le(b, at + 4, 4)) << 32);
}

// The extra field with this tag in the block starting at at, or -1.
long findExtra(const std::vector<uint8_t>& b, size_t at, size_t length, uint16_t tag) {
    for (size_t p = at; p + 4 <= at + length; p += 4 + le(b, p + 2, 2)) {
        if (le(b, p, 2) == tag) return static_cast<long>(p);
    }
    return -1;
}

EntryRecord record(uint64_t size, uint64_t compressed, uint64_t offset, bool zip64Sizes) {
    EntryRecord e;
    e.name = "dir/file.txt";
    e.method = method::Deflated;
    e.size = size;
    e.compressedSize = compressed;
    e.localOffset = offset;
    e.zip64Sizes = zip64Sizes;
    e.unixTime = 1000;
    return e;
}

TEST(Records, Zip64SizesWhenAnEntryMayReachFourGiB) {
    EXPECT_FALSE(needsZip64Sizes(0));
    EXPECT_FALSE(needsZip64Sizes(4'000'000'000ull));
    EXPECT_FALSE(needsZip64Sizes(4'293'000'000ull));
    EXPECT_TRUE(needsZip64Sizes(4'294'000'000ull));  // deflate's growth on noise could pass the limit
    EXPECT_TRUE(needsZip64Sizes(kMax32));
    EXPECT_TRUE(needsZip64Sizes(5ull << 32));
}

TEST(Records, LocalHeaderCarriesZip64OnlyWhenAsked) {
    struct Case {
        bool zip64;
        uint32_t version, sizeField;
    } cases[] = {{false, 20, 1234}, {true, 45, 0xFFFFFFFF}};
    for (const auto& c : cases) {
        auto h = localHeader(record(c.zip64 ? 5ull << 32 : 1234, c.zip64 ? 7ull << 30 : 1234, 0, c.zip64));
        EXPECT_EQ(le(h, 0, 4), 0x04034b50u);
        EXPECT_EQ(le(h, 4, 2), c.version);
        EXPECT_EQ(le(h, 18, 4), c.sizeField);
        EXPECT_EQ(le(h, 22, 4), c.sizeField);
        size_t nameLength = le(h, 26, 2);
        size_t extraLength = le(h, 28, 2);
        EXPECT_EQ(h.size(), 30 + nameLength + extraLength);
        long zip64 = findExtra(h, 30 + nameLength, extraLength, 0x0001);
        EXPECT_EQ(zip64 >= 0, c.zip64);
        if (zip64 >= 0) {
            EXPECT_EQ(le64(h, zip64 + 4), 5ull << 32);   // size first,
            EXPECT_EQ(le64(h, zip64 + 12), 7ull << 30);  // then compressed size
        }
        EXPECT_GE(findExtra(h, 30 + nameLength, extraLength, 0x5455), 0);
    }
}

TEST(Records, CentralHeaderMovesOnlyTheValuesThatDoNotFit) {
    struct Case {
        uint64_t size, offset;
        bool zip64Sizes;
        uint32_t sizeField, offsetField, zip64Length;
    } cases[] = {
        {100, 200, false, 100, 200, 0},
        {100, 5ull << 32, false, 100, 0xFFFFFFFF, 8},
        {5ull << 32, 200, true, 0xFFFFFFFF, 200, 16},
        {5ull << 32, 5ull << 32, true, 0xFFFFFFFF, 0xFFFFFFFF, 24},
    };
    for (const auto& c : cases) {
        auto h = centralHeader(record(c.size, c.size, c.offset, c.zip64Sizes));
        EXPECT_EQ(le(h, 0, 4), 0x02014b50u);
        EXPECT_EQ(le(h, 24, 4), c.sizeField);
        EXPECT_EQ(le(h, 42, 4), c.offsetField);
        EXPECT_EQ(le(h, 6, 2), c.zip64Length ? 45u : 20u);
        size_t nameLength = le(h, 28, 2);
        size_t extraLength = le(h, 30, 2);
        long zip64 = findExtra(h, 46 + nameLength, extraLength, 0x0001);
        EXPECT_EQ(zip64 >= 0 ? le(h, zip64 + 2, 2) : 0u, c.zip64Length) << c.size << " " << c.offset;
        if (c.zip64Length == 8) {
            EXPECT_EQ(le64(h, zip64 + 4), c.offset);
        }
    }
}

TEST(Records, EndRecordsGoZip64AtTheLimits) {
    struct Case {
        uint64_t entries, offset, size;
        bool zip64;
    } cases[] = {
        {65534, 1000, 100, false},
        {65535, 1000, 100, true},   // 0xFFFF itself means "see zip64"
        {70000, 1000, 100, true},
        {10, kMax32 - 1, 100, false},
        {10, kMax32, 100, true},
        {10, 1000, kMax32, true},
    };
    for (const auto& c : cases) {
        auto b = endRecords(c.entries, c.offset, c.size);
        EXPECT_EQ(b.size(), c.zip64 ? 56u + 20u + 22u : 22u) << c.entries;
        size_t end = b.size() - 22;
        EXPECT_EQ(le(b, end, 4), 0x06054b50u);
        EXPECT_EQ(le(b, end + 10, 2), c.entries >= 0xFFFF ? 0xFFFFu : c.entries);
        if (c.zip64) {
            EXPECT_EQ(le(b, 0, 4), 0x06064b50u);
            EXPECT_EQ(le64(b, 32), c.entries);
            EXPECT_EQ(le64(b, 40), c.size);
            EXPECT_EQ(le64(b, 48), c.offset);
            EXPECT_EQ(le(b, 56, 4), 0x07064b50u);
            EXPECT_EQ(le64(b, 64), c.offset + c.size);  // where the zip64 record starts
        }
    }
}

TEST(DosTime, ClampsToTheRangeDosCanHold) {
    struct Case {
        int y, mo, d, h, mi, s;
        uint16_t date, time;
    } cases[] = {
        {2024, 2, 29, 13, 45, 31, 0x585D, 0x6DAF},
        {1980, 1, 1, 0, 0, 0, 0x0021, 0x0000},
        {1979, 12, 31, 23, 59, 59, 0x0021, 0x0000},
        {2107, 12, 31, 23, 59, 59, 0xFF9F, 0xBF7D},
        {2200, 6, 1, 12, 0, 0, 0xFF9F, 0xBF7D},
    };
    for (const auto& c : cases) {
        DosStamp s = dosStamp(c.y, c.mo, c.d, c.h, c.mi, c.s);
        EXPECT_EQ(s.date, c.date) << c.y;
        EXPECT_EQ(s.time, c.time) << c.y;
    }
}

TEST(DosTime, UnixTimeOnlyWhereSigned32BitsReach) {
    constexpr uint64_t epoch = 116444736000000000ull;
    constexpr uint64_t second = 10000000ull;
    EXPECT_EQ(unixTime(epoch), std::optional<int32_t>(0));
    EXPECT_EQ(unixTime(epoch + 0x7FFFFFFFull * second), std::optional<int32_t>(INT32_MAX));
    EXPECT_EQ(unixTime(epoch + 0x80000000ull * second), std::nullopt);
    EXPECT_EQ(unixTime(epoch - 0x80000000ull * second), std::optional<int32_t>(INT32_MIN));
    EXPECT_EQ(unixTime(epoch - 0x80000001ull * second), std::nullopt);
}

}  // namespace
}  // namespace lsz
