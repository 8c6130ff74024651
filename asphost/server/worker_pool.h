// The threads that run pages, as IIS runs them: a fixed pool, each thread
// in a single-threaded apartment that lives for many requests, taking
// connections from a bounded queue.
#pragma once

#include <winsock2.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace asphost {

struct Accepted {
    SOCKET socket = INVALID_SOCKET;
    std::string remote;
    std::chrono::steady_clock::time_point at;  // when accept() returned it
};

class WorkerPool {
public:
    using Handler = std::function<void(const Accepted&)>;

    // threads workers, and room for queueLimit connections waiting for one.
    WorkerPool(int threads, size_t queueLimit, Handler handler);
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Hands the connection to a worker; false when the queue is full, and
    // the caller keeps the socket.
    bool submit(Accepted connection);

private:
    void work();

    Handler handler_;
    size_t queueLimit_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Accepted> queue_;
    std::vector<std::thread> threads_;
};

}  // namespace asphost
