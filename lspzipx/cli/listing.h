// lspzip -l: an archive's entries in the columns of "unzip -l", so that a
// user checks what was written without another tool, and a script that
// reads one reads the other.
#pragma once

#include "check/stored_archive.h"

#include <string>
#include <vector>

namespace lsz::cli {

// An entry's name for the screen: UTF-8 where its flag says so, else the
// DOS code page zip writers use.
std::wstring displayName(const StoredEntry& entry);

// The whole listing, from "Archive:  PATH" to the total, each line ending
// in a line break.
std::wstring listing(const std::wstring& zipPath, const std::vector<StoredEntry>& entries);

}  // namespace lsz::cli
