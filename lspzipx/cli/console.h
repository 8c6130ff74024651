// The front end's terminal: text out, and passwords in without echo.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace lsz::cli {

// Writes text to a standard handle: as UTF-16 to a console, as UTF-8 to a
// file or a pipe, so that every name survives whatever the code page.
void writeText(DWORD standardHandle, const std::wstring& text);
inline void writeOut(const std::wstring& text) { writeText(STD_OUTPUT_HANDLE, text); }
inline void writeErr(const std::wstring& text) { writeText(STD_ERROR_HANDLE, text); }

// Reads one line from the standard input: from a console with echo off,
// the prompt shown on that console; from a pipe or a file, as UTF-8, so
// that a script can feed it, the prompt on the error stream (never the
// standard output, which may be a file the script keeps). Nothing at the
// end of the input.
std::optional<std::wstring> readPassword(const wchar_t* prompt);

// The lines of a file, or of the standard input when path is "": UTF-8
// (a byte-order mark passed over) or, failing that, the ANSI code page;
// CR before LF dropped; empty lines skipped. Nothing when the file cannot
// be read or its bytes are text in neither.
std::optional<std::vector<std::wstring>> readLines(const std::wstring& path);

}  // namespace lsz::cli
