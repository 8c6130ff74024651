#include "deflate/pipeline.h"

#include "archive/library_codes.h"
#include "deflate/chunk_deflater.h"
#include "io/source_reader.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace lsz {

namespace {

// Room for the extra worst-case growth of many small files deflated apart.
constexpr size_t kOutputCapacity = chunkOutputBound(kChunkSize) + 64 * 1024;

// A buffer of the pool: either one chunk of a large file, with the 32 KiB
// before it as dictionary, or several small files whole. Packing small
// files together keeps the hand-overs between threads, each a round trip
// to the system, far fewer than the files.
struct Slot {
    Slot() : input(new uint8_t[kDictionarySize + kChunkSize]), output(new uint8_t[kOutputCapacity]) {
        pieces.reserve(64);
    }

    std::unique_ptr<uint8_t[]> input;   // dictionary, then the data
    std::unique_ptr<uint8_t[]> output;
    size_t dictionarySize = 0;
    size_t used = 0;                    // bytes of data
    size_t outputReserved = 0;          // worst-case output of the pieces
    std::vector<Chunk> pieces;
    bool done = false;
    std::exception_ptr error;

    uint8_t* data() { return input.get() + kDictionarySize; }
    void clear() {
        dictionarySize = 0;
        used = 0;
        outputReserved = 0;
        pieces.clear();
    }
    bool fits(size_t size) const {
        return used + size <= kChunkSize && outputReserved + chunkOutputBound(size) <= kOutputCapacity;
    }
    // Reads the next size bytes of file into the slot as one piece.
    void add(SourceReader& file, PipelineEntry& entry, uint32_t index, size_t size, bool last) {
        file.read(data() + used, size);
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
};

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

// Cuts the files into slots: acquire() gives an empty slot (or null to
// stop), submit() passes a filled one on.
template <typename Acquire, typename Submit>
void readEntries(EntryFeed& feed, const PipelineSettings& settings, Acquire acquire, Submit submit) {
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
        SourceReader file(entry.path);
        entry.size = file.size();
        if (settings.level == 0 || entry.precompressed) entry.verdict = Verdict::Store;

        if (entry.size <= kChunkSize) {
            size_t size = static_cast<size_t>(entry.size);
            if (packing && !packing->fits(size)) {
                submit(std::exchange(packing, nullptr));
            }
            if (!packing && !(packing = take())) return;
            packing->add(file, entry, 0, size, true);
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
            slot->add(file, entry, index, n, left == 0);
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

std::unique_ptr<ChunkDeflater> deflaterFor(const PipelineSettings& settings) {
    return settings.level > 0 ? std::make_unique<ChunkDeflater>(settings.level) : nullptr;
}

void runInline(EntryFeed& feed, const PipelineSettings& settings, ChunkConsumer& consumer) {
    Slot slot;
    auto deflater = deflaterFor(settings);
    readEntries(feed, settings, [&] { return &slot; },
                [&](Slot* s) {
                    compress(*s, deflater.get());
                    for (Chunk& c : s->pieces) consumer.consume(c);
                });
}

class ParallelRun {
public:
    ParallelRun(EntryFeed& feed, const PipelineSettings& settings, ChunkConsumer& consumer)
        : feed_(feed), settings_(settings), consumer_(consumer), slots_(poolSize(settings.threads)) {
        for (auto& s : slots_) free_.push_back(&s);
    }

    void run() {
        std::vector<std::thread> threads;
        std::exception_ptr failure;
        try {
            threads.emplace_back([this] { read(); });
            for (unsigned i = 0; i < settings_.threads; ++i) threads.emplace_back([this] { work(); });
            write();
        } catch (...) {
            failure = std::current_exception();
        }
        cancel();
        for (auto& t : threads) t.join();
        if (failure) std::rethrow_exception(failure);
    }

private:
    // An item of the ordered queue: a chunk, or the reader's failure at that
    // point of the archive.
    struct Pending {
        Slot* slot;
        std::exception_ptr error;
    };

    void cancel() {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        slotFreed_.notify_all();
        workAdded_.notify_all();
        slotDone_.notify_all();
    }

    void read() {
        try {
            readEntries(
                feed_, settings_,
                [this]() -> Slot* {
                    std::unique_lock<std::mutex> lock(mutex_);
                    slotFreed_.wait(lock, [this] { return cancelled_ || !free_.empty(); });
                    if (cancelled_) return nullptr;
                    Slot* s = free_.front();
                    free_.pop_front();
                    return s;
                },
                [this](Slot* s) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    s->done = false;
                    s->error = nullptr;
                    work_.push_back(s);
                    ordered_.push_back({s, nullptr});
                    workAdded_.notify_one();
                });
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            ordered_.push_back({nullptr, std::current_exception()});
        }
        std::lock_guard<std::mutex> lock(mutex_);
        readerDone_ = true;
        workAdded_.notify_all();
        slotDone_.notify_all();
    }

    void work() {
        std::unique_ptr<ChunkDeflater> deflater;
        std::exception_ptr setupError;
        try {
            deflater = deflaterFor(settings_);
        } catch (...) {
            setupError = std::current_exception();
        }
        for (;;) {
            Slot* s;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                workAdded_.wait(lock, [this] { return cancelled_ || readerDone_ || !work_.empty(); });
                if (cancelled_ || work_.empty()) return;
                s = work_.front();
                work_.pop_front();
            }
            std::exception_ptr error = setupError;
            if (!error) {
                try {
                    compress(*s, deflater.get());
                } catch (...) {
                    error = std::current_exception();
                }
            }
            std::lock_guard<std::mutex> lock(mutex_);
            s->error = error;
            s->done = true;
            slotDone_.notify_all();
        }
    }

    void write() {
        for (;;) {
            Pending next;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                slotDone_.wait(lock, [this] {
                    return (readerDone_ && ordered_.empty()) ||
                           (!ordered_.empty() && (!ordered_.front().slot || ordered_.front().slot->done));
                });
                if (ordered_.empty()) return;
                next = ordered_.front();
                ordered_.pop_front();
            }
            if (next.error) std::rethrow_exception(next.error);
            if (next.slot->error) std::rethrow_exception(next.slot->error);
            for (Chunk& c : next.slot->pieces) consumer_.consume(c);
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(next.slot);
            slotFreed_.notify_one();
        }
    }

    EntryFeed& feed_;
    const PipelineSettings& settings_;
    ChunkConsumer& consumer_;
    std::vector<Slot> slots_;

    std::mutex mutex_;
    std::condition_variable slotFreed_;
    std::condition_variable workAdded_;
    std::condition_variable slotDone_;
    std::deque<Slot*> free_;
    std::deque<Slot*> work_;
    std::deque<Pending> ordered_;
    bool readerDone_ = false;
    bool cancelled_ = false;
};

}  // namespace

size_t poolSize(unsigned threads) { return 2 * static_cast<size_t>(threads) + 2; }

void runPipeline(EntryFeed& feed, const PipelineSettings& settings, ChunkConsumer& consumer) {
    if (settings.threads <= 1) {
        runInline(feed, settings, consumer);
        return;
    }
    ParallelRun(feed, settings, consumer).run();
}

}  // namespace lsz
