// One request on one accepted connection: read, route, answer, log.
#pragma once

#include "script/run_page.h"
#include "server/request_limits.h"
#include "server/worker_pool.h"

#include <winsock2.h>

#include <string>

namespace asphost {

struct ServerInfo {
    SiteState* site = nullptr;
    int port = 0;
    RequestLimits limits;
};

// Serves the request waiting on the connection and closes it. Runs on a
// thread that is in a single-threaded apartment.
void serveConnection(const Accepted& connection, const ServerInfo& server);

// A line of the server's log on stdout.
void logLine(const std::string& line);

}  // namespace asphost
