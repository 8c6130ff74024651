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

namespace lsz {

namespace {

struct Slot {
    Slot() : input(new uint8_t[kDictionarySize + kChunkSize]), output(new uint8_t[chunkOutputBound(kChunkSize)]) {}

    std::unique_ptr<uint8_t[]> input;   // dictionary, then the chunk's data
    std::unique_ptr<uint8_t[]> output;
    size_t dictionarySize = 0;
    Chunk chunk;
    bool done = false;
    std::exception_ptr error;

    uint8_t* data() { return input.get() + kDictionarySize; }
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

// Cuts the files into chunks: acquire() gives an empty slot (or null to
// stop), submit() passes a filled one on.
template <typename Acquire, typename Submit>
void readEntries(std::vector<PipelineEntry>& entries, const PipelineSettings& settings, Acquire acquire,
                 Submit submit) {
    std::unique_ptr<uint8_t[]> tail(new uint8_t[kDictionarySize]);
    std::unique_ptr<uint8_t[]> scratch;
    for (auto& entry : entries) {
        SourceReader file(entry.path);
        entry.size = file.size();
        entry.lastWrite = file.lastWrite();
        entry.attributes = file.attributes();
        if (settings.level == 0 || entry.precompressed) entry.verdict = Verdict::Store;
        if (settings.crcBeforeData && entry.size > kChunkSize) {
            if (!scratch) scratch.reset(new uint8_t[kChunkSize]);
            entry.crcBeforeData = crcOfFile(file, scratch.get());
        }
        uint64_t left = entry.size;
        uint32_t index = 0;
        size_t tailSize = 0;
        do {
            Slot* slot = acquire();
            if (!slot) return;
            size_t n = static_cast<size_t>(std::min<uint64_t>(left, kChunkSize));
            std::memcpy(slot->data() - tailSize, tail.get(), tailSize);
            slot->dictionarySize = tailSize;
            file.read(slot->data(), n);
            left -= n;
            slot->chunk = Chunk{};
            slot->chunk.entry = &entry;
            slot->chunk.index = index++;
            slot->chunk.last = left == 0;
            slot->chunk.raw = slot->data();
            slot->chunk.rawSize = n;
            tailSize = std::min(n, kDictionarySize);
            std::memcpy(tail.get(), slot->data() + n - tailSize, tailSize);
            submit(slot);
        } while (left > 0);
    }
}

void compress(Slot& slot, ChunkDeflater* deflater) {
    Chunk& c = slot.chunk;
    c.crc = crcOf(c.raw, c.rawSize);
    PipelineEntry& entry = *c.entry;
    if (!deflater || entry.verdict.load() == Verdict::Store) return;
    c.deflated = slot.output.get();
    c.deflatedSize = deflater->deflate(slot.data() - slot.dictionarySize, slot.dictionarySize, c.raw, c.rawSize,
                                       c.last, c.deflated, chunkOutputBound(kChunkSize));
    if (c.index == 0) entry.verdict = judgeFirstChunk(c.rawSize, c.deflatedSize, c.last);
}

std::unique_ptr<ChunkDeflater> deflaterFor(const PipelineSettings& settings) {
    return settings.level > 0 ? std::make_unique<ChunkDeflater>(settings.level) : nullptr;
}

void runInline(std::vector<PipelineEntry>& entries, const PipelineSettings& settings, ChunkConsumer& consumer) {
    Slot slot;
    auto deflater = deflaterFor(settings);
    readEntries(entries, settings, [&] { return &slot; },
                [&](Slot* s) {
                    compress(*s, deflater.get());
                    consumer.consume(s->chunk);
                });
}

class ParallelRun {
public:
    ParallelRun(std::vector<PipelineEntry>& entries, const PipelineSettings& settings, ChunkConsumer& consumer)
        : entries_(entries), settings_(settings), consumer_(consumer), slots_(poolSize(settings.threads)) {
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
                entries_, settings_,
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
            consumer_.consume(next.slot->chunk);
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(next.slot);
            slotFreed_.notify_one();
        }
    }

    std::vector<PipelineEntry>& entries_;
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

void runPipeline(std::vector<PipelineEntry>& entries, const PipelineSettings& settings, ChunkConsumer& consumer) {
    if (settings.threads <= 1) {
        runInline(entries, settings, consumer);
        return;
    }
    ParallelRun(entries, settings, consumer).run();
}

}  // namespace lsz
