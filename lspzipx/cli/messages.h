// What lspzip prints: a line per entry as zip prints it, a closing summary,
// and failures that say what went wrong and with which path.
#pragma once

#include "archive/entry_writer.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace lsz::cli {

struct Totals {
    size_t files = 0;
    size_t folders = 0;
    uint64_t bytesIn = 0;   // read from the sources
    uint64_t bytesOut = 0;  // the archive's size
    size_t hiddenFiles = 0;    // left out for being hidden or system
    size_t hiddenFolders = 0;
    double seconds = 0;
};

// "  adding: name (deflated 61%)" or "(stored 0%)".
std::wstring entryLine(const EntryReport& entry);

// Adds one entry to the totals.
void count(Totals& totals, const EntryReport& entry);

// "lspzip: PATH: 3 files and 1 empty folder, N bytes in, N bytes out,
// 0.02 s", then what was left out as hidden, and the flag that takes it.
std::wstring summaryLine(const std::wstring& zipPath, const Totals& totals);

// One line for a failure with the library's code, the system's error and
// its text (the text may be ""), and the path it concerns.
std::wstring failureLine(int code, DWORD system, const std::wstring& path, const std::wstring& systemText);

}  // namespace lsz::cli
