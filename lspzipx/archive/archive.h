// One archive from start to finish: check the target, find the sources,
// write everything to a temporary file, commit it, and only then delete the
// originals when asked.
#pragma once

#include "archive/entry_writer.h"
#include "common/secret.h"
#include "crypto/entry_cipher.h"
#include "source/enumerate.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace lsz {

struct ArchiveRequest {
    std::wstring zipPath;
    std::vector<std::wstring> items;
    int level = 6;
    bool recurse = false;
    bool keepPaths = false;
    bool deleteOriginals = false;
    // Which files to take by name, and whether hidden and system files
    // count (see EnumerationOptions).
    NameSelection selection;
    bool includeHidden = false;
    // The target's folder must be no link, when the archive is begun and
    // when it is renamed into place (see ArchiveFile).
    bool exactFolder = false;
    Cipher cipher = Cipher::None;
    kb::SecretA password;
    unsigned threads = 1;
    unsigned readers = 0;  // workers that may read at once; 0 for all
    // Told of each entry once it is written, on the calling thread.
    std::function<void(const EntryReport&)> onEntry;
    // Called once the sources are listed and before any is read, when the
    // listing runs first (threads 1): where tests change files under it.
    std::function<void()> listed;
    // Called with the complete archive's handle (open for reading) before
    // it takes its name and before any original is deleted; whatever it
    // throws ends the run as if the archive had failed, leaving the target
    // and the originals as they were.
    std::function<void(HANDLE)> check;
};

struct ArchiveOutcome {
    HiddenCount hidden;  // left out for being hidden or system
};

// Writes the archive or throws LibError; on failure nothing is left at the
// target and no original is touched. The one exception: when originals were
// to be deleted and some stay (see deleteOriginals), the archive is
// committed and complete, and LibError(190) names the files that stay as a
// source list (kb::joinSourceList), at most kMaxKeptNamed of them.
ArchiveOutcome createArchive(const ArchiveRequest& request);

constexpr size_t kMaxKeptNamed = 20;

}  // namespace lsz
