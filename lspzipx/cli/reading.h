// lspzip -T with a zipfile alone, and -l: an existing archive read, tested
// entry by entry or listed, and what a test finds wrong, said the same way
// for an archive just written.
#pragma once

#include "check/stored_archive.h"
#include "cli/command_line.h"

#include <string>

namespace lsz::cli {

constexpr int kTestFailed = 5;

// Says what the test of zipPath found, naming the entry, with what follows
// from it; returns kTestFailed, or kPasswordRefused for a password that is
// missing or wrong.
int archiveFault(const std::wstring& zipPath, const ArchiveFault& fault, const std::wstring& consequence = {});

// Tests the archive args.zipPath names, a line per sound entry.
int testExisting(const Arguments& args);

// Lists its entries as unzip -l does.
int list(const Arguments& args);

}  // namespace lsz::cli
