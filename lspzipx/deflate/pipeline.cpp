#include "deflate/pipeline.h"

#include "deflate/chunk_deflater.h"
#include "deflate/slots.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace lsz {

namespace {

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
