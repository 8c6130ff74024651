// The DLL's entry points, declared in lspzipx.h with their contracts; the
// .def file exports them undecorated.
#include "api/calls.h"
#include "api/thread_settings.h"
#include "lspzipx.h"

#include <windows.h>

#include <type_traits>

// The pointer types that callers look the calls up as are the calls' own.
static_assert(std::is_same_v<decltype(&LSZIP_PASSWORD), lszip_password_fn>);
static_assert(std::is_same_v<decltype(&LSZIP_PASSWORDW), lszip_passwordw_fn>);
static_assert(std::is_same_v<decltype(&LSZIP_INCLUDE), lszip_include_fn>);
static_assert(std::is_same_v<decltype(&LSZIP_INCLUDEW), lszip_includew_fn>);
static_assert(std::is_same_v<decltype(&LSZIP_EXECUTE), lszip_execute_fn>);
static_assert(std::is_same_v<decltype(&LSZIP_EXECUTEW), lszip_executew_fn>);
static_assert(std::is_same_v<decltype(&LSZIP_LASTERRORW), lszip_lasterrorw_fn>);

extern "C" {

int32_t LSZIP_CALL LSZIP_PASSWORD(const char* password) { return lsz::api::setPassword(password); }

int32_t LSZIP_CALL LSZIP_INCLUDE(const char* sources) { return lsz::api::include(sources); }

int32_t LSZIP_CALL LSZIP_EXECUTE(const char* zipPath, int32_t mode, int32_t rate, int32_t options) {
    return lsz::api::execute(zipPath, mode, rate, options);
}

int32_t LSZIP_CALL LSZIP_PASSWORDW(const wchar_t* password) { return lsz::api::setPasswordWide(password); }

int32_t LSZIP_CALL LSZIP_INCLUDEW(const wchar_t* sources) { return lsz::api::includeWide(sources); }

int32_t LSZIP_CALL LSZIP_EXECUTEW(const wchar_t* zipPath, int32_t mode, int32_t rate, int32_t options) {
    return lsz::api::executeWide(zipPath, mode, rate, options);
}

int32_t LSZIP_CALL LSZIP_LASTERRORW(wchar_t* path, int32_t pathChars, uint32_t* systemError) {
    return lsz::api::lastFailure(path, pathChars, systemError);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // Settings a thread left without executing die with the thread. At
    // process exit (reserved set) the process frees everything anyway.
    if (reason == DLL_THREAD_DETACH || (reason == DLL_PROCESS_DETACH && !reserved)) {
        lsz::releaseThreadSettings();
    }
    return TRUE;
}

}  // extern "C"
