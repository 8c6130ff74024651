// How long a request may take to arrive, and how large a body it may bring.
// Both times are totals, not waits that start again with every byte: a
// client trickling its head a byte at a time must not hold a worker for
// longer than one that sends nothing. The head is timed from the accepted
// connection, so time spent waiting for a worker counts as well, as a
// head's wait does in IIS, where no worker is held meanwhile; the body is
// timed from the end of its head.
#pragma once

#include <chrono>
#include <cstdint>

namespace asphost {

struct RequestLimits {
    std::chrono::seconds head{30};
    std::chrono::seconds body{60};
    // ASP's default limit on a request entity; a larger one is refused
    // before any of it is read.
    uint64_t maxEntity = 200000;
};

}  // namespace asphost
