// The password of an lspzip run: from -p or -P, or asked for at the
// console, twice when it is to encrypt and once when it is to read.
#pragma once

#include "cli/command_line.h"
#include "common/secret.h"

#include <string>

namespace lsz::cli {

constexpr int kPasswordRefused = 3;

// Says why the password is refused, on the standard error, and returns
// kPasswordRefused.
int passwordError(const std::wstring& message);

// The password to encrypt with, from -p or -P or asked for twice under -e.
// Returns kPasswordRefused when it cannot be had, else 0.
int takePassword(const Arguments& args, kb::SecretW& password);

// The password to read with, as UTF-8: from -p or -P, or asked for once
// under -e; none when neither is given. Returns kPasswordRefused when it
// cannot be had, else 0.
int takeTestPassword(const Arguments& args, kb::SecretA& utf8);

}  // namespace lsz::cli
