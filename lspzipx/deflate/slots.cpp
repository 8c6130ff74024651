#include "deflate/slots.h"

#include "base/library_codes.h"
#include "deflate/read_tasks.h"

#include <algorithm>

namespace lsz {

namespace {

bool fits(const Slot& slot, uint64_t size) {
    return slot.used + size <= kChunkSize && slot.outputReserved + chunkOutputBound(size) <= kOutputCapacity;
}

void addPiece(Slot& slot, PipelineEntry& entry, uint32_t index, size_t size, bool last) {
    Chunk c;
    c.entry = &entry;
    c.index = index;
    c.last = last;
    c.raw = slot.data() + slot.used;
    c.rawSize = size;
    slot.pieces.push_back(c);
    slot.used += size;
    slot.outputReserved += chunkOutputBound(size);
}

void readFiles(Slot& slot, const std::vector<PipelineEntry*>& files, const PipelineSettings& settings) {
    for (PipelineEntry* entry : files) {
        if (entry->directory) {
            // A folder has no data: one empty piece, stored.
            entry->size = 0;
            entry->verdict = Verdict::Store;
            addPiece(slot, *entry, 0, 0, true);
            continue;
        }
        SourceFile file(entry->path);
        uint64_t size = file.size();
        // Grown past what was planned for it since it was listed.
        if (!fits(slot, size)) fail(code::ReadError, 0, entry->path);
        entry->size = size;
        if (settings.identities) entry->identity = file.identity();
        file.readWhole(slot.data() + slot.used, static_cast<size_t>(size));
        addPiece(slot, *entry, 0, static_cast<size_t>(size), true);
    }
}

void readChunk(Slot& slot, const ReadTask& task, const PipelineSettings& settings) {
    PipelineEntry& entry = *task.entry;
    SourceFile& file = *task.source;
    // Its chunks were cut by the listed size; a file of another size now
    // changed since it was listed.
    if (file.size() != entry.listedSize) fail(code::ReadError, 0, entry.path);
    if (task.index == 0) {
        entry.size = file.size();
        if (settings.identities) entry.identity = file.identity();
    }
    file.readAt(task.offset, slot.data(), task.size);
    addPiece(slot, entry, task.index, task.size, task.last);
}

}  // namespace

Slot::Slot() : input(new uint8_t[kChunkSize]), output(new uint8_t[kOutputCapacity]) {
    pieces.reserve(kMaxFilesPerTask);
}

void Slot::clear() {
    used = 0;
    outputReserved = 0;
    pieces.clear();
    done = false;
    error = nullptr;
}

void readTask(Slot& slot, const ReadTask& task, const PipelineSettings& settings) {
    if (task.failure) std::rethrow_exception(task.failure);
    if (task.entry) {
        readChunk(slot, task, settings);
    } else {
        readFiles(slot, task.files, settings);
    }
}

void compress(Slot& slot, Deflaters* deflaters) {
    size_t out = 0;
    for (Chunk& c : slot.pieces) {
        c.crc = crc32Of(0, c.raw, c.rawSize);
        PipelineEntry& entry = *c.entry;
        if (!deflaters || entry.precompressed || entry.verdict.load() == Verdict::Store) {
            if (c.index == 0) entry.verdict = Verdict::Store;
            continue;
        }
        c.deflated = slot.output.get() + out;
        size_t room = kOutputCapacity - out;
        if (c.index == 0 && c.last) {
            c.deflatedSize = deflaters->whole.deflate(c.raw, c.rawSize, c.deflated, room);
            // Nothing written means it would not even fit: no gain.
            entry.verdict = c.deflatedSize ? judgeFirstChunk(c.rawSize, c.deflatedSize, true) : Verdict::Store;
        } else {
            c.deflatedSize = deflaters->chunk.deflate(c.raw, c.rawSize, c.last, c.deflated, room);
            if (c.index == 0) entry.verdict = judgeFirstChunk(c.rawSize, c.deflatedSize, false);
        }
        out += c.deflatedSize;
    }
}

}  // namespace lsz
