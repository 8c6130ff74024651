// WinZip AES-256 in its AE-2 form: PBKDF2-HMAC-SHA1 keys, AES in counter
// mode with a little-endian counter, and an HMAC-SHA1 code over the
// ciphertext.
#pragma once

#include "crypto/cng.h"
#include "crypto/entry_cipher.h"

#include <array>
#include <string_view>
#include <vector>

namespace lsz {

class AesAe2 : public EntryCipher {
public:
    static constexpr size_t kSaltSize = 16;
    static constexpr size_t kAuthCodeSize = 10;

    AesAe2(std::string_view password, const std::array<uint8_t, kSaltSize>& salt);

    std::vector<uint8_t> header() override;
    void encrypt(uint8_t* data, size_t size) override;
    std::vector<uint8_t> trailer() override;

    // The reader's side: the two bytes that tell a wrong password, then the
    // data decrypted in place, and the trailer() to compare with the
    // stored code.
    std::array<uint8_t, 2> verifier() const { return verifier_; }
    void decrypt(uint8_t* data, size_t size);

private:
    void refill(size_t bytesWanted);
    void applyKeystream(uint8_t* data, size_t size);

    std::array<uint8_t, kSaltSize> salt_;
    std::array<uint8_t, 2> verifier_{};
    UniqueKey key_;
    UniqueHash hmac_;
    uint64_t counter_ = 0;
    std::vector<uint8_t> blocks_;     // counter blocks in, keystream out
    std::vector<uint8_t> keystream_;
    size_t used_ = 0;
};

}  // namespace lsz
