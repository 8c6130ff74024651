#include "api/calls.h"

#include "api/options.h"
#include "api/thread_settings.h"
#include "archive/archive.h"
#include "base/library_codes.h"
#include "common/source_spec.h"
#include "common/text.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <optional>

namespace lsz::api {

namespace {

// zipPath is null when the caller gave none, or gave bytes that do not
// decode exactly.
void run(ThreadSettings settings, const std::optional<std::wstring>& zipPath, int32_t mode, int32_t rate,
         int32_t options) {
    if (mode != kModeCreate || rate < 0 || rate > 9) fail(code::InternalError);
    if (!settings.items) fail(code::InvalidSource);
    if (!zipPath) fail(code::InvalidZipName);
    ExecuteOptions o = decodeOptions(options);
    // Asked to encrypt with no password: an unencrypted archive would pass
    // for a protected one.
    if (o.encrypt && !settings.password) fail(code::InternalError);

    ArchiveRequest request;
    request.zipPath = *zipPath;
    request.items = std::move(*settings.items);
    request.level = rate;
    request.recurse = o.recurse;
    request.keepPaths = o.keepPaths;
    request.deleteOriginals = o.deleteOriginals;
    request.exactFolder = o.exactFolder;
    if (o.encrypt) {
        request.cipher = configuredCipher();
        request.password = std::move(*settings.password);
    }
    request.threads = configuredThreads();
    request.readers = configuredReaders();
    createArchive(request);
}

// Runs one execute and keeps how it ended for LSZIP_LASTERRORW.
int32_t guardedRun(const std::optional<std::wstring>& zipPath, int32_t mode, int32_t rate, int32_t options) {
    LastFailure outcome;
    try {
        run(takeThreadSettings(), zipPath, mode, rate, options);
    } catch (const LibError& e) {
        outcome = {e.code(), e.system(), e.path()};
    } catch (const std::bad_alloc&) {
        outcome.code = code::OutOfMemory;
    } catch (...) {
        outcome.code = code::InternalError;
    }
    int32_t result = outcome.code;
    try {
        threadSettings().lastFailure = std::move(outcome);
    } catch (...) {
        // Without memory for the record the caller learns the code alone.
    }
    return result;
}

// Keeps password for this thread when it is acceptable. A refused password
// also withdraws an earlier one, so that it cannot encrypt an archive it was
// not meant for.
int32_t takePassword(std::optional<kb::SecretA> password) noexcept {
    try {
        ThreadSettings& settings = threadSettings();
        settings.password.reset();
        if (!password || !passwordAcceptable(password->view())) return 0;
        settings.password = std::move(password);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t takeSpecification(const std::optional<std::wstring>& specification) noexcept {
    try {
        ThreadSettings& settings = threadSettings();
        settings.items.reset();
        if (!specification) return 0;
        auto items = kb::parseSourceSpec(*specification);
        if (!items) return 0;
        settings.items = std::move(*items);
        return 1;
    } catch (...) {
        return 0;
    }
}

std::optional<std::wstring> decoded(const char* text) {
    if (!text) return std::nullopt;
    return kb::fromAnsiExact(text);
}

std::optional<std::wstring> copied(const wchar_t* text) {
    if (!text) return std::nullopt;
    return std::wstring(text);
}

}  // namespace

int32_t setPassword(const char* password) noexcept {
    try {
        if (!password) return takePassword(std::nullopt);
        return takePassword(kb::SecretA(std::string_view(password)));
    } catch (...) {
        return takePassword(std::nullopt);
    }
}

int32_t setPasswordWide(const wchar_t* password) noexcept {
    try {
        std::optional<std::string> bytes = password ? kb::toUtf8Exact(password) : std::nullopt;
        if (!bytes) return takePassword(std::nullopt);
        return takePassword(kb::SecretA::adopt(*bytes));
    } catch (...) {
        return takePassword(std::nullopt);
    }
}

int32_t include(const char* specification) noexcept {
    try {
        return takeSpecification(decoded(specification));
    } catch (...) {
        return takeSpecification(std::nullopt);
    }
}

int32_t includeWide(const wchar_t* specification) noexcept {
    try {
        return takeSpecification(copied(specification));
    } catch (...) {
        return takeSpecification(std::nullopt);
    }
}

int32_t execute(const char* zipPath, int32_t mode, int32_t rate, int32_t options) noexcept {
    try {
        return guardedRun(decoded(zipPath), mode, rate, options);
    } catch (...) {
        return code::OutOfMemory;
    }
}

int32_t executeWide(const wchar_t* zipPath, int32_t mode, int32_t rate, int32_t options) noexcept {
    try {
        return guardedRun(copied(zipPath), mode, rate, options);
    } catch (...) {
        return code::OutOfMemory;
    }
}

int32_t lastFailure(wchar_t* path, int32_t pathChars, uint32_t* systemError) noexcept {
    try {
        const LastFailure& last = threadSettings().lastFailure;
        if (systemError) *systemError = last.system;
        if (path && pathChars > 0) {
            size_t n = std::min(last.path.size(), static_cast<size_t>(pathChars) - 1);
            std::copy_n(last.path.data(), n, path);
            path[n] = L'\0';
        }
        return last.code;
    } catch (...) {
        return 0;
    }
}

}  // namespace lsz::api
