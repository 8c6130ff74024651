// The DLL's entry points. The .def file exports them undecorated; on x86
// they are __stdcall, as a Basic-style Declare calls them. The W forms take
// UTF-16 strings; the others take the system's ANSI code page.
#include "api/calls.h"
#include "api/thread_settings.h"

#include <windows.h>

extern "C" {

int32_t __stdcall LSZIP_PASSWORD(const char* password) { return lsz::api::setPassword(password); }

int32_t __stdcall LSZIP_INCLUDE(const char* specification) { return lsz::api::include(specification); }

int32_t __stdcall LSZIP_EXECUTE(const char* zipPath, int32_t mode, int32_t rate, int32_t options) {
    return lsz::api::execute(zipPath, mode, rate, options);
}

int32_t __stdcall LSZIP_PASSWORDW(const wchar_t* password) { return lsz::api::setPasswordWide(password); }

int32_t __stdcall LSZIP_INCLUDEW(const wchar_t* specification) { return lsz::api::includeWide(specification); }

int32_t __stdcall LSZIP_EXECUTEW(const wchar_t* zipPath, int32_t mode, int32_t rate, int32_t options) {
    return lsz::api::executeWide(zipPath, mode, rate, options);
}

int32_t __stdcall LSZIP_LASTERRORW(wchar_t* path, int32_t pathChars, uint32_t* systemError) {
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
