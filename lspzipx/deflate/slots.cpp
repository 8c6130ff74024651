#include "deflate/slots.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace lsz {

namespace {

uint32_t crcOf(const uint8_t* data, size_t size) {
    return static_cast<uint32_t>(crc32(0, data, static_cast<uInt>(size)));
}

uint32_t crcOfFile(SourceReader& file, uint8_t* scratch) {
    uint32_t crc = 0;
    for (uint64_t left = file.size(); left > 0;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(left, kChunkSize));
        file.read(scratch, n);
        crc = static_cast<uint32_t>(crc32(crc, scratch, static_cast<uInt>(n)));
        left -= n;
    }
    file.rewind();
    return crc;
}

}  // namespace

Slot::Slot() : input(new uint8_t[kDictionarySize + kChunkSize]), output(new uint8_t[kOutputCapacity]) {
    pieces.reserve(64);
}

void Slot::clear() {
    dictionarySize = 0;
    used = 0;
    outputReserved = 0;
    pieces.clear();
}

bool Slot::fits(size_t size) const {
    return used + size <= kChunkSize && outputReserved + chunkOutputBound(size) <= kOutputCapacity;
}

void Slot::add(SourceReader* file, PipelineEntry& entry, uint32_t index, size_t size, bool last) {
    if (size > 0) file->read(data() + used, size);
    Chunk c;
    c.entry = &entry;
    c.index = index;
    c.last = last;
    c.raw = data() + used;
    c.rawSize = size;
    pieces.push_back(c);
    used += size;
    outputReserved += chunkOutputBound(size);
}

void readEntries(EntryFeed& feed, const PipelineSettings& settings, const std::function<Slot*()>& acquire,
                 const std::function<void(Slot*)>& submit) {
    std::unique_ptr<uint8_t[]> scratch;
    std::unique_ptr<uint8_t[]> tail;
    Slot* packing = nullptr;  // the slot taking small files, if any
    auto take = [&]() -> Slot* {
        Slot* s = acquire();
        if (s) s->clear();
        return s;
    };
    while (PipelineEntry* next = feed.next()) {
        PipelineEntry& entry = *next;
        if (entry.directory) {
            // A folder has no data: one empty piece, stored.
            entry.verdict = Verdict::Store;
            if (packing && !packing->fits(0)) submit(std::exchange(packing, nullptr));
            if (!packing && !(packing = take())) return;
            packing->add(nullptr, entry, 0, 0, true);
            continue;
        }
        SourceReader file(entry.path);
        entry.size = file.size();
        if (settings.level == 0 || entry.precompressed) entry.verdict = Verdict::Store;

        if (entry.size <= kChunkSize) {
            size_t size = static_cast<size_t>(entry.size);
            if (packing && !packing->fits(size)) {
                submit(std::exchange(packing, nullptr));
            }
            if (!packing && !(packing = take())) return;
            packing->add(&file, entry, 0, size, true);
            continue;
        }

        if (packing) submit(std::exchange(packing, nullptr));
        if (settings.crcBeforeData) {
            if (!scratch) scratch.reset(new uint8_t[kChunkSize]);
            entry.crcBeforeData = crcOfFile(file, scratch.get());
        }
        if (!tail) tail.reset(new uint8_t[kDictionarySize]);
        uint64_t left = entry.size;
        for (uint32_t index = 0; left > 0; ++index) {
            Slot* slot = take();
            if (!slot) return;
            size_t n = static_cast<size_t>(std::min<uint64_t>(left, kChunkSize));
            if (index > 0) {
                std::memcpy(slot->data() - kDictionarySize, tail.get(), kDictionarySize);
                slot->dictionarySize = kDictionarySize;
            }
            left -= n;
            slot->add(&file, entry, index, n, left == 0);
            // The next chunk's dictionary, kept apart: this slot may be
            // written and reused before the next one is filled.
            if (left > 0) std::memcpy(tail.get(), slot->data() + n - kDictionarySize, kDictionarySize);
            submit(slot);
        }
    }
    if (packing) submit(packing);
}

void compress(Slot& slot, ChunkDeflater* deflater) {
    size_t out = 0;
    for (Chunk& c : slot.pieces) {
        c.crc = crcOf(c.raw, c.rawSize);
        PipelineEntry& entry = *c.entry;
        if (!deflater || entry.verdict.load() == Verdict::Store) continue;
        const uint8_t* dictionary = c.index > 0 ? slot.data() - slot.dictionarySize : nullptr;
        c.deflated = slot.output.get() + out;
        c.deflatedSize = deflater->deflate(dictionary, c.index > 0 ? slot.dictionarySize : 0, c.raw, c.rawSize,
                                           c.last, c.deflated, kOutputCapacity - out);
        out += c.deflatedSize;
        if (c.index == 0) entry.verdict = judgeFirstChunk(c.rawSize, c.deflatedSize, c.last);
    }
}

}  // namespace lsz
