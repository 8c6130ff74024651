#include "check/entry_test.h"

#include "crypto/aes_ae2.h"
#include "crypto/zip_crypto.h"
#include "deflate/whole_deflater.h"
#include "format/records.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace lsz {

namespace {

constexpr size_t kChunk = 256 * 1024;
constexpr uint8_t kAes256 = 3;

[[noreturn]] void fault(ArchiveFault::Kind kind, const StoredEntry& e, const std::wstring& reason) {
    throw ArchiveFault(kind, e.name, reason);
}
[[noreturn]] void damaged(const StoredEntry& e, const std::wstring& reason) {
    fault(ArchiveFault::Kind::Damaged, e, reason);
}

// Decrypts the entry's data as it streams by; set up from the bytes before
// the data, and finished against those after it.
class Decryption {
public:
    virtual ~Decryption() = default;
    virtual void apply(uint8_t* data, size_t size) = 0;
    virtual void finish(const PositionalFile&, uint64_t) {}
};

class ZipCryptoDecryption : public Decryption {
public:
    ZipCryptoDecryption(const PositionalFile& file, uint64_t at, const StoredEntry& e, std::string_view password)
        : crypto_(password) {
        std::vector<uint8_t> header = file.read(at, static_cast<size_t>(cipherOverhead(Cipher::ZipCrypto)), e.name);
        crypto_.decrypt(header.data(), header.size());
        // The check byte is the CRC's high byte, or, where the CRC followed
        // the data, the time's.
        uint8_t check = e.flags & flag::DataDescriptor ? static_cast<uint8_t>(e.dosTime >> 8)
                                                  : static_cast<uint8_t>(e.crc >> 24);
        if (header.back() != check) fault(ArchiveFault::Kind::WrongPassword, e, L"the password is not this entry's");
    }
    void apply(uint8_t* data, size_t size) override { crypto_.decrypt(data, size); }

private:
    ZipCrypto crypto_;
};

class AesDecryption : public Decryption {
public:
    AesDecryption(const PositionalFile& file, uint64_t at, const StoredEntry& e, std::string_view password)
        : entry_(e) {
        std::array<uint8_t, AesAe2::kSaltSize> salt;
        file.read(at, salt.data(), salt.size(), e.name);
        std::array<uint8_t, 2> verifier;
        file.read(at + salt.size(), verifier.data(), verifier.size(), e.name);
        aes_ = std::make_unique<AesAe2>(password, salt);
        if (aes_->verifier() != verifier) fault(ArchiveFault::Kind::WrongPassword, e, L"the password is not this entry's");
    }
    void apply(uint8_t* data, size_t size) override { aes_->decrypt(data, size); }
    void finish(const PositionalFile& file, uint64_t at) override {
        std::vector<uint8_t> stored = file.read(at, AesAe2::kAuthCodeSize, entry_.name);
        if (aes_->trailer() != stored) damaged(entry_, L"its authentication code does not match its data");
    }

private:
    const StoredEntry& entry_;
    std::unique_ptr<AesAe2> aes_;
};

struct InflateStream {
    z_stream z{};
    InflateStream() {
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    }
    ~InflateStream() { inflateEnd(&z); }
};

}  // namespace

void testEntry(const PositionalFile& file, const StoredEntry& e, std::string_view password) {
    uint64_t at = dataOffset(file, e);
    uint16_t method = e.method;
    uint64_t before = 0, after = 0;  // the cipher's bytes around the data
    std::unique_ptr<Decryption> decryption;
    if (e.flags & flag::Encrypted) {
        if (password.empty()) fault(ArchiveFault::Kind::NeedsPassword, e, L"it is encrypted, and no password was given");
        if (e.method == method::Aes) {
            if (!e.aes) damaged(e, L"its method says AES and it has no AES field");
            if (e.aes->strength != kAes256) fault(ArchiveFault::Kind::Unsupported, e, L"its AES key is not 256 bits");
            method = e.aes->method;
            before = AesAe2::kSaltSize + 2;
            after = AesAe2::kAuthCodeSize;
        } else {
            before = cipherOverhead(Cipher::ZipCrypto);
        }
        if (e.compressedSize < before + after) damaged(e, L"its data is shorter than its encryption header");
        if (e.method == method::Aes) decryption = std::make_unique<AesDecryption>(file, at, e, password);
        else decryption = std::make_unique<ZipCryptoDecryption>(file, at, e, password);
    }
    if (method != method::Stored && method != method::Deflated) {
        fault(ArchiveFault::Kind::Unsupported, e, L"its method (" + std::to_wstring(method) + L") is not stored or deflated");
    }

    uint64_t remaining = e.compressedSize - before - after;
    uint64_t position = at + before;
    uint64_t produced = 0;
    uint32_t crc = 0;
    std::vector<uint8_t> in(kChunk), out(kChunk);
    InflateStream inflater;
    bool ended = method == method::Stored;
    while (remaining > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, in.size()));
        file.read(position, in.data(), n, e.name);
        position += n;
        remaining -= n;
        if (decryption) decryption->apply(in.data(), n);
        if (method == method::Stored) {
            crc = crc32Of(crc, in.data(), n);
            produced += n;
            continue;
        }
        if (ended) damaged(e, L"bytes follow the end of its compressed data");
        inflater.z.next_in = in.data();
        inflater.z.avail_in = static_cast<uInt>(n);
        while (inflater.z.avail_in > 0 && !ended) {
            inflater.z.next_out = out.data();
            inflater.z.avail_out = static_cast<uInt>(out.size());
            int status = inflate(&inflater.z, Z_NO_FLUSH);
            if (status == Z_MEM_ERROR) throw std::bad_alloc();
            if (status != Z_OK && status != Z_STREAM_END) damaged(e, L"its compressed data is invalid");
            size_t got = out.size() - inflater.z.avail_out;
            crc = crc32Of(crc, out.data(), got);
            produced += got;
            ended = status == Z_STREAM_END;
            if (status == Z_OK && got == 0 && inflater.z.avail_in == 0) break;
        }
        if (ended && (inflater.z.avail_in > 0 || remaining > 0)) damaged(e, L"bytes follow the end of its compressed data");
    }
    // A stream that still holds output once its input is all read.
    while (!ended) {
        inflater.z.next_in = nullptr;
        inflater.z.avail_in = 0;
        inflater.z.next_out = out.data();
        inflater.z.avail_out = static_cast<uInt>(out.size());
        int status = inflate(&inflater.z, Z_NO_FLUSH);
        size_t got = out.size() - inflater.z.avail_out;
        crc = crc32Of(crc, out.data(), got);
        produced += got;
        if (status == Z_STREAM_END) break;
        if (status != Z_OK || got == 0) damaged(e, L"its compressed data ends early");
    }
    if (decryption) decryption->finish(file, position);
    if (produced != e.size) {
        damaged(e, L"it holds " + std::to_wstring(produced) + L" bytes, the directory says " + std::to_wstring(e.size));
    }
    // AE-2 leaves the CRC out: its authentication code stands for it.
    bool hasCrc = !(e.method == method::Aes && e.aes && e.aes->version == 2);
    if (hasCrc && crc != e.crc) damaged(e, L"its CRC does not match its data");
}

size_t testArchive(HANDLE handle, std::string_view password, const std::function<void(const StoredEntry&)>& onTested) {
    PositionalFile file(handle);
    std::vector<StoredEntry> entries = readCentralDirectory(file);
    for (const StoredEntry& e : entries) {
        testEntry(file, e, password);
        if (onTested) onTested(e);
    }
    return entries.size();
}

}  // namespace lsz
