// `asphost serve`: the site on 127.0.0.1, one thread and one single-threaded
// apartment per request, as IIS runs its pages.
#pragma once

#include <string>

namespace asphost {

// Listens until the process is stopped. Returns a process exit code when the
// server cannot start.
int serveSite(const std::wstring& root, int port);

}  // namespace asphost
