#include "format/records.h"

#include "format/little_endian.h"

#include <algorithm>

namespace lsz {

namespace {

constexpr uint16_t kVersionDefault = 20;  // deflate and traditional encryption
constexpr uint16_t kVersionZip64 = 45;
// MS-DOS host: the external attributes hold DOS attributes.
constexpr uint16_t kMadeBy = (0 << 8) | kVersionZip64;

uint32_t clamp32(uint64_t v) { return static_cast<uint32_t>(std::min(v, kMax32)); }

// The extra fields both headers share after their zip64 field.
void commonExtras(ByteWriter& w, const EntryRecord& e) {
    if (e.unixTime) {
        w.u16(tag::Timestamp).u16(5).u8(1).u32(static_cast<uint32_t>(*e.unixTime));  // modification time only
    }
    if (e.aesMethod) {
        w.u16(tag::Aes).u16(7).u16(2).bytes("AE").u8(3).u16(*e.aesMethod);  // AE-2, AES-256
    }
}

}  // namespace

bool needsZip64Sizes(uint64_t size) { return size + size / 4096 + 65536 >= kMax32; }

uint16_t levelFlags(int level) {
    if (level >= 8) return flag::DeflateMaximum;
    if (level == 2) return flag::DeflateFast;
    if (level == 1) return flag::DeflateSuperFast;
    return 0;
}

std::vector<uint8_t> localHeader(const EntryRecord& e) {
    ByteWriter extra;
    if (e.zip64Sizes) extra.u16(tag::Zip64).u16(16).u64(e.size).u64(e.compressedSize);
    commonExtras(extra, e);

    ByteWriter w;
    w.u32(signature::Local)
        .u16(e.zip64Sizes ? kVersionZip64 : kVersionDefault)
        .u16(e.flags)
        .u16(e.method)
        .u16(e.dosTime)
        .u16(e.dosDate)
        .u32(e.crc)
        .u32(e.zip64Sizes ? static_cast<uint32_t>(kMax32) : static_cast<uint32_t>(e.compressedSize))
        .u32(e.zip64Sizes ? static_cast<uint32_t>(kMax32) : static_cast<uint32_t>(e.size))
        .u16(static_cast<uint16_t>(e.name.size()))
        .u16(static_cast<uint16_t>(extra.size()))
        .bytes(e.name)
        .bytes(extra.take());
    return w.take();
}

std::vector<uint8_t> dataDescriptor(const EntryRecord& e) {
    ByteWriter w;
    w.u32(signature::DataDescriptor).u32(e.crc);
    if (e.zip64Sizes) {
        w.u64(e.compressedSize).u64(e.size);
    } else {
        w.u32(static_cast<uint32_t>(e.compressedSize)).u32(static_cast<uint32_t>(e.size));
    }
    return w.take();
}

std::vector<uint8_t> centralHeader(const EntryRecord& e) {
    bool bigSizes = e.zip64Sizes || e.size >= kMax32 || e.compressedSize >= kMax32;
    bool bigOffset = e.localOffset >= kMax32;
    ByteWriter extra;
    if (bigSizes || bigOffset) {
        ByteWriter z;
        if (bigSizes) z.u64(e.size).u64(e.compressedSize);
        if (bigOffset) z.u64(e.localOffset);
        extra.u16(tag::Zip64).u16(static_cast<uint16_t>(z.size())).bytes(z.take());
    }
    commonExtras(extra, e);

    ByteWriter w;
    w.u32(signature::Central)
        .u16(kMadeBy)
        .u16(bigSizes || bigOffset ? kVersionZip64 : kVersionDefault)
        .u16(e.flags)
        .u16(e.method)
        .u16(e.dosTime)
        .u16(e.dosDate)
        .u32(e.crc)
        .u32(bigSizes ? static_cast<uint32_t>(kMax32) : static_cast<uint32_t>(e.compressedSize))
        .u32(bigSizes ? static_cast<uint32_t>(kMax32) : static_cast<uint32_t>(e.size))
        .u16(static_cast<uint16_t>(e.name.size()))
        .u16(static_cast<uint16_t>(extra.size()))
        .u16(0)  // comment
        .u16(0)  // disk
        .u16(0)  // internal attributes
        .u32(e.dosAttributes)
        .u32(clamp32(e.localOffset))
        .bytes(e.name)
        .bytes(extra.take());
    return w.take();
}

std::vector<uint8_t> endRecords(uint64_t entries, uint64_t directoryOffset, uint64_t directorySize) {
    ByteWriter w;
    if (entries >= kMax16 || directoryOffset >= kMax32 || directorySize >= kMax32) {
        uint64_t zip64EndOffset = directoryOffset + directorySize;
        w.u32(signature::Zip64End)
            .u64(44)  // size of the rest of this record
            .u16(kMadeBy)
            .u16(kVersionZip64)
            .u32(0)
            .u32(0)
            .u64(entries)
            .u64(entries)
            .u64(directorySize)
            .u64(directoryOffset);
        w.u32(signature::Zip64Locator).u32(0).u64(zip64EndOffset).u32(1);
    }
    uint16_t count = static_cast<uint16_t>(std::min(entries, kMax16));
    w.u32(signature::End)
        .u16(0)
        .u16(0)
        .u16(count)
        .u16(count)
        .u32(clamp32(directorySize))
        .u32(clamp32(directoryOffset))
        .u16(0);  // comment
    return w.take();
}

}  // namespace lsz
