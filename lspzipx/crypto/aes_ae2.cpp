#include "crypto/aes_ae2.h"

#include <algorithm>

namespace lsz {

namespace {

constexpr size_t kKeySize = 32;
constexpr size_t kBlock = 16;
constexpr size_t kMaxBatch = 4096 * kBlock;
constexpr ULONG kIterations = 1000;

}  // namespace

AesAe2::AesAe2(std::string_view password, const std::array<uint8_t, kSaltSize>& salt) : salt_(salt) {
    // The derived bytes are the AES key, the HMAC key and the verifier, in that order.
    std::array<uint8_t, 2 * kKeySize + 2> derived{};
    checkStatus(::BCryptDeriveKeyPBKDF2(hmacSha1Provider(),
                                        reinterpret_cast<PUCHAR>(const_cast<char*>(password.data())),
                                        static_cast<ULONG>(password.size()), salt_.data(), kSaltSize, kIterations,
                                        derived.data(), static_cast<ULONG>(derived.size()), 0));
    checkStatus(::BCryptGenerateSymmetricKey(aesEcbProvider(), key_.put(), nullptr, 0, derived.data(), kKeySize, 0));
    checkStatus(::BCryptCreateHash(hmacSha1Provider(), hmac_.put(), nullptr, 0, derived.data() + kKeySize, kKeySize,
                                   0));
    verifier_ = {derived[2 * kKeySize], derived[2 * kKeySize + 1]};
    ::SecureZeroMemory(derived.data(), derived.size());
}

std::vector<uint8_t> AesAe2::header() {
    std::vector<uint8_t> h(salt_.begin(), salt_.end());
    h.insert(h.end(), verifier_.begin(), verifier_.end());
    return h;
}

void AesAe2::refill(size_t bytesWanted) {
    size_t n = std::min(kMaxBatch, (bytesWanted + kBlock - 1) / kBlock * kBlock);
    blocks_.assign(n, 0);
    for (size_t off = 0; off < n; off += kBlock) {
        uint64_t c = ++counter_;  // the first block uses counter 1
        for (size_t i = 0; i < 8; ++i) blocks_[off + i] = static_cast<uint8_t>(c >> (8 * i));
    }
    keystream_.resize(n);
    ULONG written = 0;
    checkStatus(::BCryptEncrypt(key_.get(), blocks_.data(), static_cast<ULONG>(n), nullptr, nullptr, 0,
                                keystream_.data(), static_cast<ULONG>(n), &written, 0));
    used_ = 0;
}

void AesAe2::applyKeystream(uint8_t* data, size_t size) {
    while (size > 0) {
        if (used_ == keystream_.size()) refill(size);
        size_t n = std::min(size, keystream_.size() - used_);
        for (size_t i = 0; i < n; ++i) data[i] ^= keystream_[used_ + i];
        used_ += n;
        data += n;
        size -= n;
    }
}

// The code covers the ciphertext: after encrypting, before decrypting.
void AesAe2::encrypt(uint8_t* data, size_t size) {
    applyKeystream(data, size);
    checkStatus(::BCryptHashData(hmac_.get(), data, static_cast<ULONG>(size), 0));
}

void AesAe2::decrypt(uint8_t* data, size_t size) {
    checkStatus(::BCryptHashData(hmac_.get(), data, static_cast<ULONG>(size), 0));
    applyKeystream(data, size);
}

std::vector<uint8_t> AesAe2::trailer() {
    std::array<uint8_t, 20> mac{};
    checkStatus(::BCryptFinishHash(hmac_.get(), mac.data(), static_cast<ULONG>(mac.size()), 0));
    return std::vector<uint8_t>(mac.begin(), mac.begin() + kAuthCodeSize);
}

}  // namespace lsz
