// An archive on disk as a reader sees it: its bytes read by position and
// its central directory, zip64 and AES fields decoded. Whatever does not
// hold together throws ArchiveFault, naming the entry where there is one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lsz {

class ArchiveFault : public std::runtime_error {
public:
    enum class Kind { Damaged, NeedsPassword, WrongPassword, Unsupported };
    ArchiveFault(Kind kind, std::string entry, std::wstring reason)
        : std::runtime_error("archive fault"), kind_(kind), entry_(std::move(entry)), reason_(std::move(reason)) {}
    Kind kind() const { return kind_; }
    const std::string& entry() const { return entry_; }  // UTF-8; "" for the archive as a whole
    const std::wstring& reason() const { return reason_; }

private:
    Kind kind_;
    std::string entry_;
    std::wstring reason_;
};

// Reads by offset, leaving no state between calls; the handle stays the
// caller's. A read past the end throws ArchiveFault for entry.
class PositionalFile {
public:
    explicit PositionalFile(HANDLE file);
    uint64_t size() const { return size_; }
    void read(uint64_t offset, uint8_t* out, size_t count, const std::string& entry = {}) const;
    std::vector<uint8_t> read(uint64_t offset, size_t count, const std::string& entry = {}) const;

private:
    HANDLE file_;
    uint64_t size_ = 0;
};

struct AesField {
    uint16_t version = 0;   // 1 for AE-1 (with a CRC), 2 for AE-2
    uint8_t strength = 0;   // 3 for 256-bit keys
    uint16_t method = 0;    // the compression inside the encryption
};

struct StoredEntry {
    std::string name;  // as stored: UTF-8 when the flag says so
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint64_t localOffset = 0;
    std::optional<AesField> aes;
};

// The entries in the central directory's order.
std::vector<StoredEntry> readCentralDirectory(const PositionalFile& file);

// Where the entry's data begins, from its local header, which must agree
// with the central one on the name and, where the local header carries
// them, on the CRC and the sizes.
uint64_t dataOffset(const PositionalFile& file, const StoredEntry& entry);

}  // namespace lsz
