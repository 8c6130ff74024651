// The front end's terminal: text out, and passwords in without echo.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace lsz::cli {

// Writes text to a standard handle: as UTF-16 to a console, as UTF-8 to a
// file or a pipe, so that every name survives whatever the code page.
void writeText(DWORD standardHandle, const std::wstring& text);
inline void writeOut(const std::wstring& text) { writeText(STD_OUTPUT_HANDLE, text); }
inline void writeErr(const std::wstring& text) { writeText(STD_ERROR_HANDLE, text); }

// Shows prompt on the error stream and reads one line from the standard
// input: with echo off from a console, as UTF-8 from a pipe or a file, so
// that a script can feed it. Nothing at the end of the input.
std::optional<std::wstring> readPassword(const wchar_t* prompt);

}  // namespace lsz::cli
