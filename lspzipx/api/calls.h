// The library calls as plain functions; the DLL's exports forward to them.
// Each call has an ANSI form, whose strings are in the system's code page,
// and a wide form, whose strings are UTF-16 and reach every name a file
// system can hold. None throws: every failure becomes its documented result.
#pragma once

#include <cstdint>

namespace lsz::api {

// Non-zero when the password is taken for this thread's next execute. The
// ANSI form keeps the caller's bytes; the wide form encrypts with the UTF-8
// bytes of the password, which is what the zip tools of other systems send.
int32_t setPassword(const char* password) noexcept;
int32_t setPasswordWide(const wchar_t* password) noexcept;

// Non-zero when the source sourceList parses; it is then kept for this
// thread's next execute.
int32_t include(const char* sourceList) noexcept;
int32_t includeWide(const wchar_t* sourceList) noexcept;

// Writes the archive from this thread's settings, which it clears whatever
// the outcome. 0 on success, else a library code.
int32_t execute(const char* zipPath, int32_t mode, int32_t rate, int32_t options) noexcept;
int32_t executeWide(const wchar_t* zipPath, int32_t mode, int32_t rate, int32_t options) noexcept;

// How this thread's latest execute ended: its code (0 for success, or when
// none has run), the system's error and the path it concerns, copied into
// path (at most pathChars characters with the closing null, cut short when
// longer). path and systemError may be null.
int32_t lastFailure(wchar_t* path, int32_t pathChars, uint32_t* systemError) noexcept;

}  // namespace lsz::api
