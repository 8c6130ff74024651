// The pipeline's buffers, and the two things a worker does with one: read a
// task into it, then deflate what it holds. A buffer takes one chunk of a
// large file, or a run of small files whole: packing small files together
// keeps the hand-overs between threads, each a round trip to the system,
// far fewer than the files.
#pragma once

#include "deflate/chunk_deflater.h"
#include "deflate/pipeline.h"
#include "deflate/whole_deflater.h"

#include <exception>
#include <memory>
#include <vector>

namespace lsz {

struct ReadTask;

// Room for the extra worst-case growth of many small files deflated apart.
constexpr size_t kOutputCapacity = chunkOutputBound(kChunkSize) + 64 * 1024;

struct Slot {
    Slot();

    std::unique_ptr<uint8_t[]> input;
    std::unique_ptr<uint8_t[]> output;
    size_t used = 0;                    // bytes of data
    size_t outputReserved = 0;          // worst-case output of the pieces
    std::vector<Chunk> pieces;
    uint64_t sequence = 0;              // the task's place in archive order
    bool done = false;
    std::exception_ptr error;

    uint8_t* data() { return input.get(); }
    void clear();
};

// The engines of one worker: whole files, and chunks that join into a stream.
struct Deflaters {
    explicit Deflaters(int level) : chunk(level), whole(level) {}
    ChunkDeflater chunk;
    WholeDeflater whole;
};

// Reads the task's files or chunk into the slot. Throws LibError(178) for
// a file that cannot be read, or that changed since it was listed so that
// it no longer fits the plan.
void readTask(Slot& slot, const ReadTask& task, const PipelineSettings& settings);

// Sums up every piece and, with deflaters, deflates what is not stored.
void compress(Slot& slot, Deflaters* deflaters);

}  // namespace lsz
