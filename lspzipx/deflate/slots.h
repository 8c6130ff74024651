// The pipeline's buffers and how files are cut into them: one chunk of a
// large file with the 32 KiB before it as dictionary, or several small files
// whole. Packing small files together keeps the hand-overs between threads,
// each a round trip to the system, far fewer than the files.
#pragma once

#include "deflate/chunk_deflater.h"
#include "deflate/pipeline.h"
#include "io/source_reader.h"

#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace lsz {

// Room for the extra worst-case growth of many small files deflated apart.
constexpr size_t kOutputCapacity = chunkOutputBound(kChunkSize) + 64 * 1024;

struct Slot {
    Slot();

    std::unique_ptr<uint8_t[]> input;   // dictionary, then the data
    std::unique_ptr<uint8_t[]> output;
    size_t dictionarySize = 0;
    size_t used = 0;                    // bytes of data
    size_t outputReserved = 0;          // worst-case output of the pieces
    std::vector<Chunk> pieces;
    bool done = false;
    std::exception_ptr error;

    uint8_t* data() { return input.get() + kDictionarySize; }
    void clear();
    bool fits(size_t size) const;
    // Reads the next size bytes of file into the slot as one piece; file
    // may be null for a piece of no bytes.
    void add(SourceReader* file, PipelineEntry& entry, uint32_t index, size_t size, bool last);
};

// Cuts the files of feed into slots: acquire gives an empty slot (or null to
// stop), submit passes a filled one on.
void readEntries(EntryFeed& feed, const PipelineSettings& settings, const std::function<Slot*()>& acquire,
                 const std::function<void(Slot*)>& submit);

// Deflates the pieces of a slot (or, without a deflater, only sums them up).
void compress(Slot& slot, ChunkDeflater* deflater);

}  // namespace lsz
