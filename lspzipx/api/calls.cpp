#include "api/calls.h"

#include "api/options.h"
#include "api/thread_settings.h"
#include "archive/archive.h"
#include "base/library_codes.h"
#include "common/source_list.h"
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

// Keeps how this thread's latest execute ended, for LSZIP_LASTERRORW, and
// returns its code. Moving the record allocates nothing.
int32_t recorded(LastFailure outcome) noexcept {
    int32_t result = outcome.code;
    if (ThreadSettings* settings = existingThreadSettings()) settings->lastFailure = std::move(outcome);
    return result;
}

// Runs one execute and says how it ended.
LastFailure outcomeOfRun(const std::optional<std::wstring>& zipPath, int32_t mode, int32_t rate, int32_t options) {
    try {
        run(takeThreadSettings(), zipPath, mode, rate, options);
        return {};
    } catch (const LibError& e) {
        return {e.code(), e.system(), e.path()};
    } catch (const std::bad_alloc&) {
        return {code::OutOfMemory, 0, {}};
    } catch (...) {
        return {code::InternalError, 0, {}};
    }
}

// Keeps password for this thread when it is acceptable. A refused password
// also withdraws an earlier one, so that it cannot encrypt an archive it was
// not meant for.
int32_t takePassword(std::optional<kb::SecretA> password) {
    ThreadSettings& settings = threadSettings();
    settings.password.reset();
    if (!password || !passwordAcceptable(password->view())) return 0;
    settings.password = std::move(password);
    return 1;
}

// What a call that failed leaves: no password, whatever came before.
int32_t withdrawPassword() noexcept {
    if (ThreadSettings* settings = existingThreadSettings()) settings->password.reset();
    return 0;
}

int32_t takeSourceList(const std::optional<std::wstring>& sourceList) {
    ThreadSettings& settings = threadSettings();
    settings.items.reset();
    if (!sourceList) return 0;
    auto items = kb::parseSourceList(*sourceList);
    if (!items) return 0;
    settings.items = std::move(*items);
    return 1;
}

int32_t withdrawSourceList() noexcept {
    if (ThreadSettings* settings = existingThreadSettings()) settings->items.reset();
    return 0;
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
        return withdrawPassword();
    }
}

int32_t setPasswordWide(const wchar_t* password) noexcept {
    try {
        std::optional<std::string> bytes = password ? kb::toUtf8Exact(password) : std::nullopt;
        if (!bytes) return takePassword(std::nullopt);
        return takePassword(kb::SecretA::adopt(*bytes));
    } catch (...) {
        return withdrawPassword();
    }
}

int32_t include(const char* sourceList) noexcept {
    try {
        return takeSourceList(decoded(sourceList));
    } catch (...) {
        return withdrawSourceList();
    }
}

int32_t includeWide(const wchar_t* sourceList) noexcept {
    try {
        return takeSourceList(copied(sourceList));
    } catch (...) {
        return withdrawSourceList();
    }
}

int32_t execute(const char* zipPath, int32_t mode, int32_t rate, int32_t options) noexcept {
    try {
        return recorded(outcomeOfRun(decoded(zipPath), mode, rate, options));
    } catch (...) {
        return recorded({code::OutOfMemory, 0, {}});
    }
}

int32_t executeWide(const wchar_t* zipPath, int32_t mode, int32_t rate, int32_t options) noexcept {
    try {
        return recorded(outcomeOfRun(copied(zipPath), mode, rate, options));
    } catch (...) {
        return recorded({code::OutOfMemory, 0, {}});
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
