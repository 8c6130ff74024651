#include "crypto/cng.h"

#include "base/library_codes.h"

namespace lsz {

void checkStatus(NTSTATUS status) {
    if (status < 0) fail(code::InternalError, static_cast<DWORD>(status));
}

namespace {

UniqueAlgorithm openProvider(const wchar_t* algorithm, ULONG flags) {
    UniqueAlgorithm alg;
    checkStatus(::BCryptOpenAlgorithmProvider(alg.put(), algorithm, nullptr, flags));
    return alg;
}

}  // namespace

BCRYPT_ALG_HANDLE aesEcbProvider() {
    static UniqueAlgorithm alg = [] {
        UniqueAlgorithm a = openProvider(BCRYPT_AES_ALGORITHM, 0);
        // Counter mode is built on single blocks, which ECB gives us in bulk.
        checkStatus(::BCryptSetProperty(a.get(), BCRYPT_CHAINING_MODE,
                                        reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB)),
                                        sizeof(BCRYPT_CHAIN_MODE_ECB), 0));
        return a;
    }();
    return alg.get();
}

BCRYPT_ALG_HANDLE hmacSha1Provider() {
    static UniqueAlgorithm alg = openProvider(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    return alg.get();
}

BCRYPT_ALG_HANDLE sha256Provider() {
    static UniqueAlgorithm alg = openProvider(BCRYPT_SHA256_ALGORITHM, 0);
    return alg.get();
}

void randomBytes(uint8_t* out, size_t size) {
    checkStatus(::BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

}  // namespace lsz
