// What LSZIP_PASSWORD and LSZIP_INCLUDE leave for the next LSZIP_EXECUTE.
// Each calling thread has its own, so two pages zipping at once in one
// process never see each other's sources or passwords.
#pragma once

#include "common/secret.h"

#include <optional>
#include <string>
#include <vector>

namespace lsz {

struct ThreadSettings {
    std::optional<kb::SecretA> password;            // the bytes the keys are made from
    std::optional<std::vector<std::wstring>> items;  // the parsed source specification
};

// This thread's settings, created on first use.
ThreadSettings& threadSettings();

// Hands this thread's settings over and leaves none behind.
ThreadSettings takeThreadSettings();

// Frees this thread's settings; the DLL calls it when a thread ends.
void releaseThreadSettings() noexcept;

}  // namespace lsz
