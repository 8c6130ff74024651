#include "deflate/read_tasks.h"

#include "deflate/chunk_deflater.h"
#include "deflate/slots.h"

#include <utility>

namespace lsz {

PipelineEntry* TaskPlanner::take() {
    if (carried_) return std::exchange(carried_, nullptr);
    return feed_.next();
}

ReadTask TaskPlanner::nextChunk() {
    ReadTask task;
    task.entry = large_;
    task.source = largeSource_;
    task.index = nextIndex_++;
    task.offset = static_cast<uint64_t>(task.index) * kChunkSize;
    uint64_t left = large_->listedSize - task.offset;
    task.size = static_cast<size_t>(std::min<uint64_t>(left, kChunkSize));
    task.last = left <= kChunkSize;
    if (task.last) {
        large_ = nullptr;
        largeSource_.reset();
    }
    return task;
}

std::optional<ReadTask> TaskPlanner::next() {
    if (failure_) {
        ReadTask task;
        task.failure = std::exchange(failure_, nullptr);
        return task;
    }
    if (ended_) return std::nullopt;
    try {
        if (large_) return nextChunk();
        PipelineEntry* first = take();
        if (!first) {
            ended_ = true;
            return std::nullopt;
        }
        if (first->listedSize > kChunkSize) {
            large_ = first;
            largeSource_ = std::make_shared<SourceFile>(first->path);
            nextIndex_ = 0;
            return nextChunk();
        }
        ReadTask task;
        task.files.push_back(first);
        size_t used = static_cast<size_t>(first->listedSize);
        size_t reserved = chunkOutputBound(used);
        while (task.files.size() < kMaxFilesPerTask) {
            PipelineEntry* more = nullptr;
            try {
                more = take();
            } catch (...) {
                // The files found before the failure go first.
                ended_ = true;
                failure_ = std::current_exception();
                break;
            }
            if (!more) break;
            size_t size = static_cast<size_t>(std::min<uint64_t>(more->listedSize, kChunkSize + 1));
            if (more->listedSize > kChunkSize || used + size > kChunkSize ||
                reserved + chunkOutputBound(size) > kOutputCapacity) {
                carried_ = more;
                break;
            }
            task.files.push_back(more);
            used += size;
            reserved += chunkOutputBound(size);
        }
        return task;
    } catch (...) {
        ended_ = true;
        ReadTask task;
        task.failure = std::current_exception();
        return task;
    }
}

}  // namespace lsz
