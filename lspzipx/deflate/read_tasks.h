// The work of an archive cut into tasks in archive order. A task is a run
// of small files that together fill at most one buffer, or one chunk of a
// large file; any worker can read and deflate any task, so that files are
// opened on every worker at once. The cut follows the sizes the listing
// gave, never the threads, so the same files always give the same tasks.
#pragma once

#include "deflate/pipeline.h"
#include "io/source_file.h"

#include <exception>
#include <memory>
#include <optional>
#include <vector>

namespace lsz {

struct ReadTask {
    // A run of whole files, each no larger than a chunk...
    std::vector<PipelineEntry*> files;
    // ...or one chunk of a large file, read from the handle its chunks share.
    PipelineEntry* entry = nullptr;
    std::shared_ptr<SourceFile> source;
    uint32_t index = 0;
    uint64_t offset = 0;
    size_t size = 0;
    bool last = false;
    // ...or the failure of finding the entries, in its place in the order.
    std::exception_ptr failure;
};

class TaskPlanner {
public:
    explicit TaskPlanner(EntryFeed& feed) : feed_(feed) {}

    // The next task in archive order; nothing after the last one. Never
    // throws: a failure of the feed becomes a task of its own, the last.
    std::optional<ReadTask> next();

private:
    PipelineEntry* take();
    ReadTask nextChunk();

    EntryFeed& feed_;
    PipelineEntry* carried_ = nullptr;  // taken from the feed, not yet planned
    bool ended_ = false;
    std::exception_ptr failure_;  // to hand out after the run of files before it
    // The large file being cut into chunks.
    PipelineEntry* large_ = nullptr;
    std::shared_ptr<SourceFile> largeSource_;
    uint32_t nextIndex_ = 0;
};

// Files of a run at most, so that a buffer's list of pieces stays short.
constexpr size_t kMaxFilesPerTask = 256;

}  // namespace lsz
