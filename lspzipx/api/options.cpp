#include "api/options.h"

#include "common/registry.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <thread>

namespace lsz {

ExecuteOptions decodeOptions(int32_t word) {
    ExecuteOptions o;
    o.encrypt = (word & option::Encrypt) != 0;
    o.recurse = (word & option::Recurse) != 0;
    o.keepPaths = (word & option::KeepPaths) != 0;
    o.deleteOriginals = (word & option::DeleteOriginals) != 0;
    o.exactFolder = (word & option::ExactFolder) != 0;
    return o;
}

bool passwordAcceptable(std::string_view password) {
    return !password.empty() && password.size() <= kMaxPasswordBytes;
}

unsigned workerThreads(const wchar_t* environmentValue, unsigned processors) {
    unsigned threads = std::clamp(processors, 1u, kMaxThreads);
    if (environmentValue && *environmentValue) {
        wchar_t* end = nullptr;
        long cap = std::wcstol(environmentValue, &end, 10);
        if (*end == L'\0' && cap >= 1 && cap <= static_cast<long>(kMaxThreads)) {
            threads = std::min(threads, static_cast<unsigned>(cap));
        }
    }
    return threads;
}

unsigned configuredThreads() {
    wchar_t value[16];
    DWORD n = ::GetEnvironmentVariableW(L"LSPZIPX_THREADS", value, 16);
    return workerThreads(n > 0 && n < 16 ? value : nullptr, std::thread::hardware_concurrency());
}

unsigned configuredReaders() {
    wchar_t value[16];
    DWORD n = ::GetEnvironmentVariableW(L"LSPZIPX_READERS", value, 16);
    if (n == 0 || n >= 16) return 0;
    wchar_t* end = nullptr;
    long readers = std::wcstol(value, &end, 10);
    return *end == L'\0' && readers >= 1 && readers <= static_cast<long>(kMaxThreads) ? static_cast<unsigned>(readers)
                                                                                        : 0;
}

Cipher configuredCipher() {
    bool aes = kb::anyMachineSetting(kb::settingPath(kb::kZipEncryptionSetting),
                                     [](const std::wstring& setting) { return setting == L"AES256"; });
    return aes ? Cipher::Aes256 : Cipher::ZipCrypto;
}

}  // namespace lsz
