// A failure as the administrator is told of it: the page sees only its
// fixed message, but the log also names the path involved and the system's
// reason. Operations hand it back in their outcome; the COM layer passes it
// to the log.
#pragma once

#include <windows.h>

#include <exception>
#include <optional>
#include <string>

namespace kb {

struct Failure {
    std::wstring operation;  // doZip, deleteOldFiles, fileListing, or the property set
    int status = kNoStatus;  // the code the page saw
    std::wstring message;    // what the page was told, or what was wrong where its text says too little
    std::wstring path;       // the path involved; "" when none
    DWORD systemError = 0;   // a Win32 error or an HRESULT; 0 when none

    // A refusal or a busy answer carries no status code.
    static constexpr int kNoStatus = -1;
};

// What a counting operation (deleteOldFiles, fileListing) returns.
struct CountOutcome {
    short count = 0;
    std::optional<Failure> failure;
};

// The failure with its status text as the message.
Failure statusFailure(const wchar_t* operation, int status, std::wstring path = {}, DWORD systemError = 0);

// The same for a general-error path: never throws, and without memory for
// the record gives none.
std::optional<Failure> faultFailure(const wchar_t* operation, int status, const std::wstring& path,
                                    DWORD systemError) noexcept;

// The system's code for the exception being handled: the HRESULT a COM call
// failed with, E_OUTOFMEMORY, or 0 when it carries none. Call it only inside
// a catch block.
DWORD currentExceptionCode() noexcept;

}  // namespace kb
