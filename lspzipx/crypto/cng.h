// Windows CNG: owning handles, the shared algorithm providers, and random
// bytes from the system's generator.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include "common/handles.h"

#include <cstddef>
#include <cstdint>

namespace lsz {

struct AlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct KeyTraits {
    using Type = BCRYPT_KEY_HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { ::BCryptDestroyKey(h); }
};
struct HashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { ::BCryptDestroyHash(h); }
};
using UniqueAlgorithm = kb::UniqueAny<AlgorithmTraits>;
using UniqueKey = kb::UniqueAny<KeyTraits>;
using UniqueHash = kb::UniqueAny<HashTraits>;

// Throws LibError(158) carrying the status when a CNG call fails.
void checkStatus(NTSTATUS status);

// Providers opened once per process; CNG allows their use from any thread.
BCRYPT_ALG_HANDLE aesEcbProvider();
BCRYPT_ALG_HANDLE hmacSha1Provider();
BCRYPT_ALG_HANDLE sha256Provider();

void randomBytes(uint8_t* out, size_t size);

}  // namespace lsz
