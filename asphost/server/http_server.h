// `asphost serve`: the site on 127.0.0.1. Pages run on a pool of threads,
// each in a single-threaded apartment that serves many requests, as IIS
// runs them; or, for comparison, on a thread and an apartment of their own
// per request.
#pragma once

#include "server/request_limits.h"

#include <string>

namespace asphost {

struct ServeOptions {
    std::wstring root;
    int port = 8080;
    int threads = 16;
    bool threadPerRequest = false;
    RequestLimits limits;
};

// Listens until the process is stopped. Returns a process exit code when the
// server cannot start.
int serveSite(const ServeOptions& options);

}  // namespace asphost
