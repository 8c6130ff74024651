// What LSZIP_PASSWORD and LSZIP_INCLUDE leave for the next LSZIP_EXECUTE.
// Each calling thread has its own, so two pages zipping at once in one
// process never see each other's sources or passwords.
#pragma once

#include "common/secret.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lsz {

// How this thread's latest execute ended, for LSZIP_LASTERRORW.
struct LastFailure {
    int32_t code = 0;  // 0: it succeeded, or none has run
    DWORD system = 0;
    std::wstring path;
};

struct ThreadSettings {
    std::optional<kb::SecretA> password;            // the bytes the keys are made from
    std::optional<std::vector<std::wstring>> items;  // the parsed source list
    LastFailure lastFailure;                         // survives the taking of the settings
};

// This thread's settings, created on first use.
ThreadSettings& threadSettings();

// This thread's settings when it has any, else null; never allocates, so a
// caller that failed for lack of memory can still withdraw what it left.
ThreadSettings* existingThreadSettings() noexcept;

// Hands this thread's password and sources over and leaves none behind; the
// last failure stays.
ThreadSettings takeThreadSettings();

// Frees this thread's settings; the DLL calls it when a thread ends.
void releaseThreadSettings() noexcept;

}  // namespace lsz
