#include "archive/catalog.h"

#include "base/library_codes.h"
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
        enumerateSources(items, options, *this);
    } catch (...) {
        failure = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    failure_ = failure;
    added_.notify_all();
}

void Catalog::found(ListedFile&& file) {
    // Only the enumerating thread touches the names and the pending files.
    std::string name;
    try {
        name = zipEntryName(file.storedName);
    } catch (const LibError& e) {
        fail(e.code(), e.system(), file.path);
    }
    // A folder "x/" and a file "x" cannot both be extracted: one name.
    if (!names_.insert(name).second) fail(code::DuplicateName, 0, file.path);
    if (file.directory) name += '/';
    pending_.push_back({std::move(file.path), std::move(name), isPrecompressedName(file.storedName), file.lastWrite,
                        file.attributes, file.size, file.directory});
}

void Catalog::directoryDone() {
    if (pending_.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) fail(code::InternalError);  // unwinds the enumeration; nobody reads this failure
    for (Found& f : pending_) {
        PipelineEntry& e = entries_.emplace_back();
        e.path = std::move(f.path);
        e.name = std::move(f.name);
        e.precompressed = f.precompressed;
        e.lastWrite = f.lastWrite;
        e.attributes = f.attributes;
        e.listedSize = f.size;
        e.directory = f.directory;
    }
    published_ += pending_.size();
    pending_.clear();
    added_.notify_one();
}

void Catalog::passedOver(bool directory) { ++(directory ? hidden_.folders : hidden_.files); }

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
