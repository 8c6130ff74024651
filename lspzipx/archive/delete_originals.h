// Removing the files that went into a committed archive.
#pragma once

#include "deflate/pipeline.h"

#include <deque>

namespace lsz {

// Deletes every entry's file unless it changed after it was read, which
// would make the archive hold something other than what is lost. A file
// that cannot be deleted stays. Returns the number of files left.
size_t deleteOriginals(const std::deque<PipelineEntry>& entries);

}  // namespace lsz
