// Removing the files that went into a committed archive.
#pragma once

#include "deflate/pipeline.h"

#include <deque>
#include <string>
#include <vector>

namespace lsz {

// Deletes each entry's file when it is the very file that was read (by its
// identity, whatever its path now leads to) and unchanged since (its size
// and last-write time), so that nothing is lost that the archive does not
// hold. Any other file, and one that cannot be deleted, stays. Returns the
// paths of the files that stayed.
std::vector<std::wstring> deleteOriginals(const std::deque<PipelineEntry>& entries);

}  // namespace lsz
