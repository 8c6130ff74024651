#include "server/worker_pool.h"

#include <objbase.h>

namespace asphost {

WorkerPool::WorkerPool(int threads, size_t queueLimit, Handler handler)
    : handler_(std::move(handler)), queueLimit_(queueLimit) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
    // The pool serves until the process ends.
    for (auto& t : threads_) t.detach();
}

bool WorkerPool::submit(Accepted connection) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (queue_.size() >= queueLimit_) return false;
        queue_.push_back(std::move(connection));
    }
    ready_.notify_one();
    return true;
}

void WorkerPool::work() {
    // The apartment lives as long as the thread: for every request it serves.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (;;) {
        Accepted next;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return !queue_.empty(); });
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        handler_(next);
    }
}

}  // namespace asphost
