// Finding the files a source list names, in a stable order, with
// the names they will carry in the archive.
#pragma once

#include "source/name_selection.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lsz {

struct ListedFile {
    std::wstring path;        // full path on disk
    std::wstring storedName;  // relative to the item's directory, "\" separated
    FILETIME lastWrite{};     // as the listing gave them
    DWORD attributes = 0;
    uint64_t size = 0;
    bool directory = false;   // an empty folder, stored as a folder entry
};

// What an enumeration left out for being hidden or system.
struct HiddenCount {
    size_t files = 0;
    size_t folders = 0;
};

struct EnumerationOptions {
    bool recurse = false;      // descend into subdirectories
    bool keepPaths = false;    // keep the subdirectory path in stored names
    std::vector<std::wstring> excluded;  // full paths never taken as input
    // Hidden and system files and folders are taken too, as a named file
    // always is; archives still being written beside them never are.
    bool includeHidden = false;
    NameSelection selection;  // which files to take by name; empty takes all
};

// Receives the files an enumeration finds, and the end of each directory's
// files, so that a receiver on another thread can take them in batches.
class SourceSink {
public:
    virtual ~SourceSink() = default;
    virtual void found(ListedFile&& file) = 0;
    virtual void directoryDone() {}
    // A hidden or system file or folder that a wildcard or a folder would
    // have taken, left out.
    virtual void passedOver(bool /*directory*/) {}
};

// Reports the files of every item in order: each directory's files sorted
// by name, then its subdirectories. With recursion, kept paths and a pattern
// that takes everything, a subdirectory that gives no file (empty, or
// holding only what is passed over) is reported as a directory itself,
// when the selection takes its name. Wildcard matches skip hidden and
// system files and directories, as the system's own listings do, unless
// includeHidden; a file named outright is taken whatever its attributes.
// The selection chooses among everything found, files named outright
// included. Throws LibError: 152 for
// an item that cannot be a path, or for a listed name that holds path
// syntax (kb::holdsPathSyntax), with its path; 159 for a named file that
// does not exist, 163 for a directory that cannot be listed, 167 when
// nothing matched at all.
void enumerateSources(const std::vector<std::wstring>& items, const EnumerationOptions& options, SourceSink& sink);

}  // namespace lsz
