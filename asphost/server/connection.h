// One request on one accepted connection: read, route, answer, log.
#pragma once

#include "script/run_page.h"

#include <winsock2.h>

#include <string>

namespace asphost {

struct ServerInfo {
    SiteState* site = nullptr;
    int port = 0;
};

// Serves the request waiting on s and closes it. Runs on a thread that is
// in a single-threaded apartment.
void serveConnection(SOCKET s, const ServerInfo& server, const std::string& remote);

// A line of the server's log on stdout.
void logLine(const std::string& line);

}  // namespace asphost
