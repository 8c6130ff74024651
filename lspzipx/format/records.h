// The byte layout of the zip records: local and central headers and the
// end records, with zip64 fields only where a value does not fit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lsz {

constexpr uint64_t kMax32 = 0xFFFFFFFFu;  // a 32-bit field holding this means "see zip64"
constexpr uint64_t kMax16 = 0xFFFFu;

namespace method {
constexpr uint16_t Stored = 0;
constexpr uint16_t Deflated = 8;
constexpr uint16_t Aes = 99;
}  // namespace method

// The records' signatures, for the writer here and for whoever reads one back.
namespace signature {
constexpr uint32_t Local = 0x04034b50;
constexpr uint32_t DataDescriptor = 0x08074b50;
constexpr uint32_t Central = 0x02014b50;
constexpr uint32_t End = 0x06054b50;
constexpr uint32_t Zip64End = 0x06064b50;
constexpr uint32_t Zip64Locator = 0x07064b50;
}  // namespace signature

// The tags of the extra fields written.
namespace tag {
constexpr uint16_t Zip64 = 0x0001;
constexpr uint16_t Timestamp = 0x5455;
constexpr uint16_t Aes = 0x9901;
}  // namespace tag

namespace flag {
constexpr uint16_t Encrypted = 0x0001;
constexpr uint16_t DeflateMaximum = 0x0002;
constexpr uint16_t DeflateFast = 0x0004;
constexpr uint16_t DeflateSuperFast = 0x0006;
constexpr uint16_t DataDescriptor = 0x0008;  // the CRC and sizes follow the data too
constexpr uint16_t Utf8Name = 0x0800;
}  // namespace flag

struct EntryRecord {
    std::string name;                 // UTF-8, "/" separated
    uint16_t flags = 0;
    uint16_t method = method::Stored;  // what the headers say: 99 when AES-encrypted
    std::optional<uint16_t> aesMethod;  // the real method inside AES encryption
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    std::optional<int32_t> unixTime;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint32_t dosAttributes = 0;
    uint64_t localOffset = 0;
    // Sizes go in a zip64 field, in both headers. Decided before the data is
    // written, since the local header's length cannot change afterwards.
    bool zip64Sizes = false;
};

// Whether an entry of this many bytes may end up with a size of 4 GiB or
// more, allowing for deflate's growth on data it cannot shrink.
bool needsZip64Sizes(uint64_t size);

// The deflate level hint bits of the general-purpose flags.
uint16_t levelFlags(int level);

std::vector<uint8_t> localHeader(const EntryRecord& e);
std::vector<uint8_t> centralHeader(const EntryRecord& e);
// The record after the data of an entry flagged DataDescriptor: the CRC and
// sizes, 64-bit where the headers carry zip64 sizes.
std::vector<uint8_t> dataDescriptor(const EntryRecord& e);
// The end of central directory record, preceded by the zip64 record and
// its locator when a count, size or offset does not fit the classic one.
std::vector<uint8_t> endRecords(uint64_t entries, uint64_t directoryOffset, uint64_t directorySize);

}  // namespace lsz
