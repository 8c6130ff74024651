#include "crypto/zip_crypto.h"

#include <zlib.h>

namespace lsz {

namespace {

uint32_t crcStep(uint32_t crc, uint8_t b) {
    static const z_crc_t* table = get_crc_table();
    return table[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

}  // namespace

ZipCrypto::ZipCrypto(std::string_view password) : keys_{0x12345678u, 0x23456789u, 0x34567890u} {
    for (char c : password) update(static_cast<uint8_t>(c));
}

uint8_t ZipCrypto::keystreamByte() const {
    uint16_t t = static_cast<uint16_t>(keys_[2] | 2);
    return static_cast<uint8_t>((t * (t ^ 1u)) >> 8);
}

void ZipCrypto::update(uint8_t plain) {
    keys_[0] = crcStep(keys_[0], plain);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = crcStep(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
}

void ZipCrypto::encrypt(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        uint8_t plain = data[i];
        data[i] = plain ^ keystreamByte();
        update(plain);
    }
}

void ZipCrypto::decrypt(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        data[i] ^= keystreamByte();
        update(data[i]);
    }
}

std::array<uint8_t, 12> ZipCrypto::header(const std::array<uint8_t, 11>& random, uint8_t check) {
    std::array<uint8_t, 12> h;
    for (size_t i = 0; i < random.size(); ++i) h[i] = random[i];
    h[11] = check;
    encrypt(h.data(), h.size());
    return h;
}

}  // namespace lsz
