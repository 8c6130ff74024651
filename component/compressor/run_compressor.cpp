#include "compressor/run_compressor.h"

#include "common/text.h"
#include "compressor/fault_report.h"
#include "lspzipx/lspzipx.h"
#include "status/status_messages.h"

#include <mutex>
#include <optional>

namespace kb::compressor {

namespace {

template <typename Fn>
Fn function(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

std::wstring moduleFileName(HMODULE module) {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

int16_t status16(int32_t code) {
    if (code < INT16_MIN || code > INT16_MAX) return status::CompressorAborted;
    return static_cast<int16_t>(code);
}

// The calls in their order; Text is the string type the calls take.
template <typename Text, typename Password, typename Include, typename Execute>
int16_t drive(Password setPassword, Include include, Execute execute, const typename Text::value_type* password,
              const Text& source, const Text& zipPath, const Request& request) {
    if (password) {
        if (!setPassword) return status::CompressorAborted;
        if (setPassword(password) == 0) return status::PasswordRefused;
    }
    int16_t options = optionWord(request.recurse, password != nullptr, request.deleteOriginals);
    if (!include) return status::CompressorAborted;
    if (include(source.c_str()) == 0) return status::SourceRefused;
    if (!execute) return status::CompressorAborted;
    return status16(execute(zipPath.c_str(), LSZIP_MODE_CREATE, request.rate, options));
}

int16_t runWide(HMODULE library, const Request& request) {
    return drive<std::wstring>(function<lszip_passwordw_fn>(library, "LSZIP_PASSWORDW"),
                               function<lszip_includew_fn>(library, "LSZIP_INCLUDEW"),
                               function<lszip_executew_fn>(library, "LSZIP_EXECUTEW"),
                               request.password.empty() ? nullptr : request.password.c_str(), request.source,
                               request.zipPath, request);
}

int16_t runAnsi(HMODULE library, const Request& request) {
    // Every string is converted before the first call, so that a refusal
    // leaves no setting behind in the library.
    SecretA password;
    if (!request.password.empty()) {
        std::optional<std::string> bytes = toAnsiExact(request.password.view());
        if (!bytes) return status::PasswordRefused;
        password = SecretA::adopt(*bytes);
    }
    std::optional<std::string> source = toAnsiExact(request.source);
    if (!source) return status::SourceRefused;
    std::optional<std::string> zipPath = toAnsiExact(request.zipPath);
    if (!zipPath) return status::InvalidZipFileName;
    return drive<std::string>(function<lszip_password_fn>(library, "LSZIP_PASSWORD"),
                              function<lszip_include_fn>(library, "LSZIP_INCLUDE"),
                              function<lszip_execute_fn>(library, "LSZIP_EXECUTE"),
                              password.empty() ? nullptr : password.c_str(), *source, *zipPath, request);
}

bool hasWideCalls(HMODULE library) {
    return function<lszip_passwordw_fn>(library, "LSZIP_PASSWORDW") &&
           function<lszip_includew_fn>(library, "LSZIP_INCLUDEW") &&
           function<lszip_executew_fn>(library, "LSZIP_EXECUTEW");
}

}  // namespace

int16_t optionWord(bool recurse, bool passwordGiven, bool deleteOriginals) {
    // The download folder is ours, made for this archive: one that a link
    // has taken the place of is refused, not written through.
    int32_t word = LSZIP_OPTION_ALWAYS | LSZIP_OPTION_EXACT_FOLDER;
    if (recurse) word |= LSZIP_OPTION_RECURSE | LSZIP_OPTION_KEEP_PATHS | LSZIP_OPTION_RESERVED;
    if (passwordGiven) word |= LSZIP_OPTION_ENCRYPT;
    if (deleteOriginals) word |= LSZIP_OPTION_DELETE_ORIGINALS;
    return static_cast<int16_t>(word);
}

HMODULE loadLibraryBeside(const std::wstring& folder) {
    HMODULE library = ::LoadLibraryExW((folder + kLibraryName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library) return library;
    // Older installs keep the library in the system folder, so the search
    // follows. But a library that lies beside the component and will not
    // load (of the other architecture, unreadable) is the one that was
    // meant: when the search finds nothing, its reason is the one to give.
    DWORD besideError = ::GetLastError();
    library = ::LoadLibraryExW(kLibraryName, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    bool besideMissing = besideError == ERROR_MOD_NOT_FOUND || besideError == ERROR_FILE_NOT_FOUND ||
                         besideError == ERROR_PATH_NOT_FOUND;
    if (!library && !besideMissing) ::SetLastError(besideError);
    return library;
}

int16_t runCompressor(HMODULE library, const Request& request) {
    try {
        if (!library) return status::CompressorAborted;
        return hasWideCalls(library) ? runWide(library, request) : runAnsi(library, request);
    } catch (...) {
        return status::CompressorAborted;
    }
}

Outcome explain(HMODULE library, const Request& request, int16_t status) {
    Outcome outcome{status, {}, 0};
    if (status == status::Success || status == status::PasswordRefused) return outcome;
    if (status == status::SourceRefused) {
        outcome.path = request.source;
        return outcome;
    }
    if (!library) return outcome;
    auto lastError = function<lszip_lasterrorw_fn>(library, "LSZIP_LASTERRORW");
    std::wstring path(32768, L'\0');
    uint32_t system = 0;
    if (status != status::CompressorAborted && lastError &&
        lastError(path.data(), static_cast<int32_t>(path.size()), &system) == status) {
        outcome.path = path.c_str();
        outcome.systemError = system;
    } else if (status == status::CompressorAborted) {
        outcome.path = moduleFileName(library);
    } else if (status == status::InvalidZipFileName) {
        outcome.path = request.zipPath;
    }
    return outcome;
}

Outcome compress(const Request& request, const std::wstring& libraryFolder) {
    // Loaded once per process on first use; a failed load is tried again
    // next time, in case the library has been installed since.
    static std::mutex mutex;
    static HMODULE library = nullptr;
    HMODULE loaded;
    DWORD loadError = 0;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (!library) {
            library = loadLibraryBeside(libraryFolder);
            if (!library) loadError = ::GetLastError();
            endProcessOnFaultIn(library);
        }
        loaded = library;
    }
    if (!loaded) return {status::CompressorAborted, libraryFolder + kLibraryName, loadError};
    return explain(loaded, request, runCompressor(loaded, request));
}

}  // namespace kb::compressor
