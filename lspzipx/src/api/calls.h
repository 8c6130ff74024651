// The three library calls as plain functions; the DLL's exports forward to
// them. None throws: every failure becomes its documented result.
#pragma once

#include <cstdint>

namespace lsz::api {

// Non-zero when the password is taken for this thread's next execute.
int32_t setPassword(const char* password) noexcept;

// Non-zero when the source specification parses; it is then kept for this
// thread's next execute.
int32_t include(const char* specification) noexcept;

// Writes the archive from this thread's settings, which it clears whatever
// the outcome. 0 on success, else a library code.
int32_t execute(const char* zipPath, int32_t mode, int32_t rate, int32_t options) noexcept;

}  // namespace lsz::api
