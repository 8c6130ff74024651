#include "deflate/pipeline.h"

#include "deflate/read_tasks.h"
#include "deflate/slots.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace lsz {

namespace {

std::unique_ptr<Deflaters> deflatersFor(const PipelineSettings& settings) {
    return settings.level > 0 ? std::make_unique<Deflaters>(settings.level) : nullptr;
}

void handOver(Slot& slot, ChunkConsumer& consumer) {
    if (slot.error) std::rethrow_exception(slot.error);
    for (Chunk& c : slot.pieces) consumer.consume(c);
}

void runInline(EntryFeed& feed, const PipelineSettings& settings, ChunkConsumer& consumer) {
    TaskPlanner planner(feed);
    Slot slot;
    auto deflaters = deflatersFor(settings);
    while (std::optional<ReadTask> task = planner.next()) {
        slot.clear();
        readTask(slot, *task, settings);
        compress(slot, deflaters.get());
        handOver(slot, consumer);
    }
}

// Workers take the tasks in order, each reading its own and deflating it;
// the calling thread hands the slots over in that order.
class ParallelRun {
public:
    ParallelRun(EntryFeed& feed, const PipelineSettings& settings, ChunkConsumer& consumer)
        : planner_(feed), settings_(settings), consumer_(consumer), slots_(poolSize(settings.threads)),
          readers_(settings.readers ? std::min(settings.readers, settings.threads) : settings.threads) {
        for (auto& s : slots_) free_.push_back(&s);
    }

    void run() {
        std::vector<std::thread> threads;
        std::exception_ptr failure;
        try {
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
    void cancel() {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        changed_.notify_all();
    }

    // A slot and the next task for it, or false when there is no more work.
    bool take(Slot*& slot, ReadTask& task) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return cancelled_ || planned_ || !free_.empty(); });
            if (cancelled_ || planned_) return false;
            slot = free_.front();
            free_.pop_front();
        }
        // Planning may wait for the listing; the others go on meanwhile.
        std::lock_guard<std::mutex> planning(planningMutex_);
        std::optional<ReadTask> next = planner_.next();
        std::lock_guard<std::mutex> lock(mutex_);
        if (!next) {
            planned_ = true;
            free_.push_back(slot);
            changed_.notify_all();
            return false;
        }
        slot->clear();
        slot->sequence = nextSequence_++;
        task = std::move(*next);
        return true;
    }

    void work() {
        std::unique_ptr<Deflaters> deflaters;
        std::exception_ptr setupError;
        try {
            deflaters = deflatersFor(settings_);
        } catch (...) {
            setupError = std::current_exception();
        }
        Slot* slot = nullptr;
        ReadTask task;
        while (take(slot, task)) {
            std::exception_ptr error = setupError;
            if (!error) {
                try {
                    {
                        std::unique_lock<std::mutex> lock(mutex_);
                        changed_.wait(lock, [this] { return readers_ > 0; });
                        --readers_;
                    }
                    std::exception_ptr readError;
                    try {
                        readTask(*slot, task, settings_);
                    } catch (...) {
                        readError = std::current_exception();
                    }
                    {
                        std::lock_guard<std::mutex> lock(mutex_);
                        ++readers_;
                        changed_.notify_all();
                    }
                    if (readError) std::rethrow_exception(readError);
                    compress(*slot, deflaters.get());
                } catch (...) {
                    error = std::current_exception();
                }
            }
            task = ReadTask{};  // lets go of a shared handle at once
            std::lock_guard<std::mutex> lock(mutex_);
            slot->error = error;
            slot->done = true;
            done_[slot->sequence] = slot;
            changed_.notify_all();
        }
    }

    void write() {
        for (uint64_t sequence = 0;; ++sequence) {
            Slot* slot;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return done_.count(sequence) || (planned_ && sequence >= nextSequence_); });
                auto found = done_.find(sequence);
                if (found == done_.end()) return;
                slot = found->second;
                done_.erase(found);
            }
            handOver(*slot, consumer_);
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(slot);
            changed_.notify_all();
        }
    }

    TaskPlanner planner_;
    const PipelineSettings& settings_;
    ChunkConsumer& consumer_;
    std::vector<Slot> slots_;

    std::mutex planningMutex_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Slot*> free_;
    std::map<uint64_t, Slot*> done_;
    uint64_t nextSequence_ = 0;
    unsigned readers_;
    bool planned_ = false;
    bool cancelled_ = false;
};

}  // namespace

size_t poolSize(unsigned threads) { return std::min<size_t>(2 * static_cast<size_t>(threads) + 2, 40); }

void runPipeline(EntryFeed& feed, const PipelineSettings& settings, ChunkConsumer& consumer) {
    if (settings.threads <= 1) {
        runInline(feed, settings, consumer);
        return;
    }
    ParallelRun(feed, settings, consumer).run();
}

}  // namespace lsz
