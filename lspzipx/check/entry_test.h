// The test of a written archive, as a reader would do it: every entry
// decrypted with the password where it is encrypted, inflated, its CRC
// computed, and its sizes held against the central directory. The data is
// streamed, so an entry of any size is tested in a bounded buffer.
#pragma once

#include "check/stored_archive.h"

#include <windows.h>

#include <functional>
#include <string_view>

namespace lsz {

// Tests one entry; throws ArchiveFault naming it when it is not sound, or
// when it is encrypted and the password is missing or wrong.
void testEntry(const PositionalFile& file, const StoredEntry& entry, std::string_view password);

// Tests every entry of the archive behind the handle, telling onTested of
// each sound one, and returns how many there were; throws ArchiveFault for
// the first that is not.
size_t testArchive(HANDLE file, std::string_view password,
                   const std::function<void(const StoredEntry&)>& onTested = {});

}  // namespace lsz
