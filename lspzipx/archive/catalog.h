// The entries of one archive: filled by the enumeration, drained in order
// by the pipeline. With several threads the enumeration runs on a thread of
// its own, so that listing directories overlaps reading and compressing.
#pragma once

#include "deflate/pipeline.h"
#include "source/enumerate.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace lsz {

class Catalog : public EntryFeed, private SourceSink {
public:
    ~Catalog() override;

    // Finds the sources on the calling thread (inline) or on a thread of its
    // own. A failure reaches whoever takes the entries, after the entries
    // found before it.
    void enumerate(const std::vector<std::wstring>& items, const EnumerationOptions& options, bool inline_);

    PipelineEntry* next() override;

    // The failure of an inline enumeration, if any, before anything else runs.
    void throwIfFailed() const;

    // Stops an enumeration still running; its entries are no longer wanted.
    void cancel();

    // Every entry, once the pipeline has taken them all.
    const std::deque<PipelineEntry>& entries() const { return entries_; }
    // What was left out for being hidden, once the pipeline has taken all.
    HiddenCount hidden() const { return hidden_; }

private:
    void run(std::vector<std::wstring> items, EnumerationOptions options);
    void found(ListedFile&& file) override;
    // Hands the entries found so far to the pipeline at once: every wake-up
    // of a waiting thread is a round trip to the system.
    void directoryDone() override;
    void passedOver(bool directory) override;

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable added_;
    std::deque<PipelineEntry> entries_;  // a deque: entries never move once added
    std::unordered_set<std::string> names_;
    struct Found {
        std::wstring path;
        std::string name;
        bool precompressed;
        FILETIME lastWrite;
        DWORD attributes;
        uint64_t size;
        bool directory;
    };
    std::vector<Found> pending_;  // found, not yet handed over
    HiddenCount hidden_;          // the enumerating thread's, read once it is finished
    size_t published_ = 0;
    size_t taken_ = 0;
    bool finished_ = false;
    bool cancelled_ = false;
    std::exception_ptr failure_;
};

}  // namespace lsz
