#include "compressor/run_compressor.h"

#include "common/text.h"
#include "component/module.h"
#include "status/status_messages.h"

#include <mutex>

namespace kb::compressor {

namespace {

constexpr int32_t kCreateArchive = 2;

template <typename Fn>
Fn function(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

}  // namespace

int16_t optionWord(bool recurse, bool passwordGiven, bool deleteOriginals) {
    int16_t word = recurse ? 0x2881 : 0x0001;
    if (passwordGiven) word += 0x0010;
    if (deleteOriginals) word += 0x0100;
    return word;
}

HMODULE loadLibraryBeside(const std::wstring& folder) {
    HMODULE library = ::LoadLibraryExW((folder + kLibraryName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) library = ::LoadLibraryExW(kLibraryName, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    return library;
}

int16_t runCompressor(HMODULE library, const Request& request) {
    try {
        if (!library) return status::CompressorAborted;
        auto setPassword = function<PasswordFn>(library, "LSZIP_PASSWORD");
        auto include = function<IncludeFn>(library, "LSZIP_INCLUDE");
        auto execute = function<ExecuteFn>(library, "LSZIP_EXECUTE");

        bool passwordGiven = !request.password.empty();
        if (passwordGiven) {
            if (!setPassword) return status::CompressorAborted;
            if (setPassword(toAnsi(request.password).c_str()) == 0) return status::PasswordRefused;
        }
        int16_t options = optionWord(request.recurse, passwordGiven, request.deleteOriginals);

        if (!include) return status::CompressorAborted;
        if (include(toAnsi(request.source).c_str()) == 0) return status::SourceRefused;

        if (!execute) return status::CompressorAborted;
        int32_t code = execute(toAnsi(request.zipPath).c_str(), kCreateArchive, request.rate, options);
        if (code < INT16_MIN || code > INT16_MAX) return status::CompressorAborted;
        return static_cast<int16_t>(code);
    } catch (...) {
        return status::CompressorAborted;
    }
}

int16_t runCompressor(const Request& request) {
    // Loaded once per process on first use; a failed load is tried again
    // next time, in case the library has been installed since.
    static std::mutex mutex;
    static HMODULE library = nullptr;
    HMODULE loaded;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (!library) {
            try {
                library = loadLibraryBeside(module::folder());
            } catch (...) {
            }
        }
        loaded = library;
    }
    return runCompressor(loaded, request);
}

}  // namespace kb::compressor
