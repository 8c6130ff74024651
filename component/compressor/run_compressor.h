// The binding to the compression library lspzipx.dll: the only code that
// calls into it, through the declarations of its header lspzipx.h.
#pragma once

#include "common/secret.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace kb::compressor {

inline constexpr wchar_t kLibraryName[] = L"lspzipx.dll";

// The option word handed to LSZIP_EXECUTE.
int16_t optionWord(bool recurse, bool passwordGiven, bool deleteOriginals);

// Loads the library from folder (which ends in a backslash) by full path,
// and failing that through the system's search without the current
// directory, so that a DLL planted in the current directory is never taken.
// Returns null when neither finds it, with the last error of the library in
// folder when it is there but would not load (193 for the other
// architecture), else the search's. The library stays loaded.
HMODULE loadLibraryBeside(const std::wstring& folder);

struct Request {
    std::wstring source;   // the source list
    std::wstring zipPath;  // the full path of the zip file to write
    short rate = 5;
    bool recurse = false;
    SecretW password;      // "" for none
    bool deleteOriginals = false;
};

// Drives one compression through the library and returns its status: 0 when
// the zip file was written, 1 or 3 when a setting was refused, 50 when the
// library lacks a call or answers out of range, else the library's code. A
// fault inside the library is not caught (see fault_report.h).
// A library with the W calls gets every string as it is. With the ANSI calls
// only, a string the code page cannot hold exactly is refused before any
// call: 3 for the password, 1 for the source, 151 for the zip path.
int16_t runCompressor(HMODULE library, const Request& request);

// How one compression ended: its status, and for a failure the path it
// concerns and the system's error, as far as they are known.
struct Outcome {
    int16_t status = 0;
    std::wstring path;
    DWORD systemError = 0;
};

// What is known of status, just returned by runCompressor on this thread:
// the library's own account when it gives one (LSZIP_LASTERRORW, which a
// library may lack), else what the request says.
Outcome explain(HMODULE library, const Request& request, int16_t status);

// Compresses with the library in libraryFolder (ending in a backslash), the
// component's own folder, loaded there once and kept; from its loading on,
// a fault in it ends the process after one line in the log.
Outcome compress(const Request& request, const std::wstring& libraryFolder);

}  // namespace kb::compressor
