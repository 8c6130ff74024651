#include "api/calls.h"

#include "api/options.h"
#include "api/thread_settings.h"
#include "archive/archive.h"
#include "archive/library_codes.h"
#include "common/registry.h"
#include "common/text.h"
#include "source/source_list.h"

#include <windows.h>

#include <new>
#include <thread>

namespace lsz::api {

namespace {

constexpr wchar_t kCipherSwitch[] = L"SOFTWARE\\Kestrelbay\\Crateload\\ZipEncryption";

Cipher chosenCipher() {
    return kb::machineSettingEquals(kCipherSwitch, L"AES256") ? Cipher::Aes256 : Cipher::ZipCrypto;
}

unsigned threadsForThisRun() {
    wchar_t value[16];
    DWORD n = ::GetEnvironmentVariableW(L"LSPZIPX_THREADS", value, 16);
    return workerThreads(n > 0 && n < 16 ? value : nullptr, std::thread::hardware_concurrency());
}

int32_t run(const char* zipPath, int32_t mode, int32_t rate, int32_t options) {
    ThreadSettings settings = takeThreadSettings();
    if (mode != kModeCreate || rate < 0 || rate > 9) return code::InternalError;
    if (!settings.items) return code::InvalidSource;
    if (!zipPath) return code::InvalidZipName;
    ExecuteOptions o = decodeOptions(options);
    // Asked to encrypt with no password: an unencrypted archive would pass
    // for a protected one.
    if (o.encrypt && !settings.password) return code::InternalError;

    ArchiveRequest request;
    request.zipPath = kb::fromAnsi(zipPath);
    request.items = std::move(*settings.items);
    request.level = rate;
    request.recurse = o.recurse;
    request.keepPaths = o.keepPaths;
    request.deleteOriginals = o.deleteOriginals;
    if (o.encrypt) {
        request.cipher = chosenCipher();
        request.password = std::move(*settings.password);
    }
    request.threads = threadsForThisRun();
    createArchive(request);
    return code::Ok;
}

}  // namespace

int32_t setPassword(const char* password) noexcept {
    try {
        ThreadSettings& settings = threadSettings();
        // A refused password also withdraws an earlier one, so that it
        // cannot encrypt an archive it was not meant for.
        settings.password.reset();
        if (!passwordAcceptable(password)) return 0;
        settings.password = password;
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t include(const char* specification) noexcept {
    try {
        ThreadSettings& settings = threadSettings();
        settings.items.reset();
        if (!specification) return 0;
        auto items = parseSourceSpec(kb::fromAnsi(specification));
        if (!items) return 0;
        settings.items = std::move(*items);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t execute(const char* zipPath, int32_t mode, int32_t rate, int32_t options) noexcept {
    try {
        return run(zipPath, mode, rate, options);
    } catch (const LibError& e) {
        return e.code();
    } catch (const std::bad_alloc&) {
        return code::OutOfMemory;
    } catch (...) {
        return code::InternalError;
    }
}

}  // namespace lsz::api
