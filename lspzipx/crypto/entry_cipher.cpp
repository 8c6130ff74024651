#include "crypto/entry_cipher.h"

#include "crypto/aes_ae2.h"
#include "crypto/cng.h"
#include "crypto/zip_crypto.h"

namespace lsz {

namespace {

class ZipCryptoCipher : public EntryCipher {
public:
    ZipCryptoCipher(std::string_view password, uint8_t check) : crypto_(password), check_(check) {}

    std::vector<uint8_t> header() override {
        std::array<uint8_t, 11> random;
        randomBytes(random.data(), random.size());
        auto h = crypto_.header(random, check_);
        return std::vector<uint8_t>(h.begin(), h.end());
    }
    void encrypt(uint8_t* data, size_t size) override { crypto_.encrypt(data, size); }
    std::vector<uint8_t> trailer() override { return {}; }

private:
    ZipCrypto crypto_;
    uint8_t check_;
};

}  // namespace

uint64_t cipherOverhead(Cipher cipher) {
    switch (cipher) {
    case Cipher::ZipCrypto: return 12;
    case Cipher::Aes256: return AesAe2::kSaltSize + 2 + AesAe2::kAuthCodeSize;
    case Cipher::None: break;
    }
    return 0;
}

std::unique_ptr<EntryCipher> makeEntryCipher(Cipher cipher, std::string_view password, uint8_t checkByte) {
    switch (cipher) {
    case Cipher::ZipCrypto: return std::make_unique<ZipCryptoCipher>(password, checkByte);
    case Cipher::Aes256: {
        std::array<uint8_t, AesAe2::kSaltSize> salt;
        randomBytes(salt.data(), salt.size());
        return std::make_unique<AesAe2>(password, salt);
    }
    case Cipher::None: break;
    }
    return nullptr;
}

}  // namespace lsz
