// The traditional PKWARE stream cipher, kept because it is the only one that
// Windows Explorer and macOS Archive Utility open.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace lsz {

class ZipCrypto {
public:
    explicit ZipCrypto(std::string_view password);

    // The 12-byte encryption header: eleven random bytes and the check byte,
    // encrypted, leaving the keys ready for the data.
    std::array<uint8_t, 12> header(const std::array<uint8_t, 11>& random, uint8_t check);
    void encrypt(uint8_t* data, size_t size);
    // The reader's side: the header first (its last byte, decrypted, is
    // the check byte to compare), then the data.
    void decrypt(uint8_t* data, size_t size);

private:
    uint8_t keystreamByte() const;
    void update(uint8_t plain);

    uint32_t keys_[3];
};

}  // namespace lsz
