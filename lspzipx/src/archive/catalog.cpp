#include "archive/catalog.h"

#include "archive/library_codes.h"
#include "deflate/store_rule.h"
#include "source/stored_names.h"

namespace lsz {

Catalog::~Catalog() {
    cancel();
    if (thread_.joinable()) thread_.join();
}

void Catalog::enumerate(const std::vector<std::wstring>& items, const EnumerationOptions& options, bool inline_) {
    if (inline_) {
        run(items, options);
    } else {
        thread_ = std::thread([this, items, options] { run(items, options); });
    }
}

void Catalog::run(std::vector<std::wstring> items, EnumerationOptions options) {
    std::exception_ptr failure;
    try {
        enumerateSources(items, options, [this](SourceFile&& f) { add(std::move(f)); });
    } catch (...) {
        failure = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    failure_ = failure;
    added_.notify_all();
}

void Catalog::add(SourceFile&& file) {
    std::string name = zipEntryName(file.storedName);
    // Only this thread adds, so the entry can be built outside the lock;
    // the deque keeps the entries already handed out where they are.
    if (!names_.insert(name).second) fail(code::DuplicateName);
    bool precompressed = isPrecompressedName(file.storedName);
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) fail(code::InternalError);  // unwinds the enumeration; nobody reads this failure
    PipelineEntry& e = entries_.emplace_back();
    e.path = std::move(file.path);
    e.name = std::move(name);
    e.precompressed = precompressed;
    e.lastWrite = file.lastWrite;
    e.attributes = file.attributes;
    ++published_;
    added_.notify_one();
}

PipelineEntry* Catalog::next() {
    std::unique_lock<std::mutex> lock(mutex_);
    added_.wait(lock, [this] { return taken_ < published_ || finished_; });
    if (taken_ < published_) return &entries_[taken_++];
    if (failure_) std::rethrow_exception(failure_);
    return nullptr;
}

void Catalog::throwIfFailed() const {
    if (failure_) std::rethrow_exception(failure_);
}

void Catalog::cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
}

}  // namespace lsz
