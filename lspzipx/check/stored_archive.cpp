#include "check/stored_archive.h"

#include "format/records.h"
#include "io/read_at.h"

#include <algorithm>
#include <cstring>

namespace lsz {

namespace {

constexpr size_t kEndSize = 22;
constexpr size_t kLocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kLongestComment = 0xFFFF;

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) { return u16(p) | static_cast<uint32_t>(u16(p + 2)) << 16; }
uint64_t u64(const uint8_t* p) { return u32(p) | static_cast<uint64_t>(u32(p + 4)) << 32; }

[[noreturn]] void damaged(const std::string& entry, const std::wstring& reason) {
    throw ArchiveFault(ArchiveFault::Kind::Damaged, entry, reason);
}

// The values of one header's extra fields that this reader knows: the zip64
// sizes and offset in place of the 32-bit fields that say so, and AES.
struct Extra {
    const uint8_t* zip64 = nullptr;
    size_t zip64Size = 0;
    std::optional<AesField> aes;
};

Extra parseExtra(const uint8_t* p, size_t size, const std::string& entry) {
    Extra extra;
    while (size >= 4) {
        uint16_t id = u16(p);
        size_t length = u16(p + 2);
        if (length > size - 4) damaged(entry, L"an extra field runs past its header");
        if (id == tag::Zip64) {
            extra.zip64 = p + 4;
            extra.zip64Size = length;
        } else if (id == tag::Aes) {
            if (length < 7) damaged(entry, L"the AES field is too short");
            extra.aes = AesField{u16(p + 4), p[8], u16(p + 9)};
        }
        p += 4 + length;
        size -= 4 + length;
    }
    return extra;
}

// Takes the next 64-bit value of the zip64 field for a field that holds
// the marker, in the field's fixed order.
class Zip64Values {
public:
    Zip64Values(const Extra& extra, const std::string& entry) : extra_(extra), entry_(entry) {}
    void take(uint64_t& value) {
        if (value != kMax32) return;
        if (used_ + 8 > extra_.zip64Size) damaged(entry_, L"a size or offset is missing from the zip64 field");
        value = u64(extra_.zip64 + used_);
        used_ += 8;
    }

private:
    const Extra& extra_;
    const std::string& entry_;
    size_t used_ = 0;
};

struct Directory {
    uint64_t entries = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
};

Directory findDirectory(const PositionalFile& file) {
    if (file.size() < kEndSize) damaged({}, L"too short to be a zip file");
    uint64_t tail = std::min<uint64_t>(file.size(), kEndSize + kLongestComment);
    std::vector<uint8_t> bytes = file.read(file.size() - tail, static_cast<size_t>(tail));
    // The last record signature whose comment fits in what follows it.
    size_t at = bytes.size() - kEndSize + 1;
    while (at-- > 0) {
        if (u32(&bytes[at]) == signature::End && at + kEndSize + u16(&bytes[at + 20]) <= bytes.size()) break;
        if (at == 0) damaged({}, L"no end of central directory record");
    }
    const uint8_t* end = &bytes[at];
    uint64_t endOffset = file.size() - tail + at;
    Directory d{u16(end + 10), u32(end + 16), u32(end + 12)};
    if (d.entries == kMax16 || d.offset == kMax32 || d.size == kMax32) {
        if (endOffset < kLocatorSize) damaged({}, L"the zip64 end locator is missing");
        std::vector<uint8_t> locator = file.read(endOffset - kLocatorSize, kLocatorSize);
        if (u32(locator.data()) != signature::Zip64Locator) damaged({}, L"the zip64 end locator is missing");
        std::vector<uint8_t> record = file.read(u64(locator.data() + 8), kZip64EndSize);
        if (u32(record.data()) != signature::Zip64End) damaged({}, L"the zip64 end record is missing");
        d = Directory{u64(record.data() + 32), u64(record.data() + 48), u64(record.data() + 40)};
    }
    if (d.offset > file.size() || d.size > file.size() - d.offset) {
        damaged({}, L"the central directory lies outside the file");
    }
    return d;
}

}  // namespace

PositionalFile::PositionalFile(HANDLE file) : file_(file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) damaged({}, L"its size cannot be read");
    size_ = static_cast<uint64_t>(size.QuadPart);
}

void PositionalFile::read(uint64_t offset, uint8_t* out, size_t count, const std::string& entry) const {
    if (offset > size_ || count > size_ - offset) damaged(entry, L"the data runs past the end of the file");
    if (readExactlyAt(file_, offset, out, count)) damaged(entry, L"the file cannot be read");
}

std::vector<uint8_t> PositionalFile::read(uint64_t offset, size_t count, const std::string& entry) const {
    std::vector<uint8_t> bytes(count);
    read(offset, bytes.data(), count, entry);
    return bytes;
}

std::vector<StoredEntry> readCentralDirectory(const PositionalFile& file) {
    Directory d = findDirectory(file);
    if (d.size > (uint64_t{1} << 31)) damaged({}, L"the central directory is too large");
    std::vector<uint8_t> bytes = file.read(d.offset, static_cast<size_t>(d.size));
    std::vector<StoredEntry> entries;
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < kCentralSize || u32(&bytes[at]) != signature::Central) {
            damaged({}, L"central header " + std::to_wstring(entries.size() + 1) + L" is not one");
        }
        const uint8_t* h = &bytes[at];
        size_t nameSize = u16(h + 28), extraSize = u16(h + 30), commentSize = u16(h + 32);
        if (bytes.size() - at - kCentralSize < nameSize + extraSize + commentSize) {
            damaged({}, L"central header " + std::to_wstring(entries.size() + 1) + L" runs past the directory");
        }
        StoredEntry e;
        e.name.assign(reinterpret_cast<const char*>(h + kCentralSize), nameSize);
        e.flags = u16(h + 8);
        e.method = u16(h + 10);
        e.dosTime = u16(h + 12);
        e.dosDate = u16(h + 14);
        e.crc = u32(h + 16);
        e.compressedSize = u32(h + 20);
        e.size = u32(h + 24);
        e.localOffset = u32(h + 42);
        Extra extra = parseExtra(h + kCentralSize + nameSize, extraSize, e.name);
        Zip64Values zip64(extra, e.name);
        zip64.take(e.size);
        zip64.take(e.compressedSize);
        zip64.take(e.localOffset);
        e.aes = extra.aes;
        entries.push_back(std::move(e));
        at += kCentralSize + nameSize + extraSize + commentSize;
    }
    if (entries.size() != d.entries) {
        damaged({}, L"the end record counts " + std::to_wstring(d.entries) + L" entries, the directory holds " +
                        std::to_wstring(entries.size()));
    }
    return entries;
}

uint64_t dataOffset(const PositionalFile& file, const StoredEntry& entry) {
    uint8_t h[kLocalSize];
    file.read(entry.localOffset, h, kLocalSize, entry.name);
    if (u32(h) != signature::Local) damaged(entry.name, L"no local header where the directory points");
    size_t nameSize = u16(h + 26), extraSize = u16(h + 28);
    std::vector<uint8_t> rest = file.read(entry.localOffset + kLocalSize, nameSize + extraSize, entry.name);
    if (std::string(rest.begin(), rest.begin() + nameSize) != entry.name) {
        damaged(entry.name, L"the local header holds another name");
    }
    if (!(u16(h + 6) & flag::DataDescriptor)) {
        Extra extra = parseExtra(rest.data() + nameSize, extraSize, entry.name);
        uint64_t size = u32(h + 22), compressedSize = u32(h + 18);
        Zip64Values zip64(extra, entry.name);
        zip64.take(size);
        zip64.take(compressedSize);
        if (u32(h + 14) != entry.crc) damaged(entry.name, L"the local header holds another CRC");
        if (size != entry.size || compressedSize != entry.compressedSize) {
            damaged(entry.name, L"the local header holds other sizes");
        }
    }
    return entry.localOffset + kLocalSize + nameSize + extraSize;
}

}  // namespace lsz
