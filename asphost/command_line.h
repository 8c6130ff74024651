// The command line of asphost.exe.
#pragma once

#include "server/request_limits.h"

#include <optional>
#include <string>
#include <vector>

namespace asphost {

struct CommandLine {
    enum class Mode { Run, Serve, Help } mode = Mode::Run;
    std::wstring root;
    std::wstring page;  // run: the page's virtual path
    std::wstring query;
    std::optional<std::wstring> form;  // run: the page is posted this form
    // run: the user the server signed in, as IIS's Windows authentication
    // reports it in AUTH_USER and LOGON_USER; "" for an anonymous request,
    // which is all that serve knows.
    std::wstring user;
    int port = 8080;
    // serve: pages run on a pool of this many threads, each with an
    // apartment that lives for many requests, as IIS runs them; with
    // threadPerRequest, each request gets a thread and an apartment of its
    // own instead.
    int threads = 16;
    bool threadPerRequest = false;
    // serve: --head-timeout, --body-timeout and --max-request-entity.
    RequestLimits limits;
};

// The usage text, with the defaults of serve's options.
std::wstring usageText();

// The arguments after the program name ("--help" alone asks for the usage
// text). Nothing, with error set, when they do not form a command.
std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args, std::wstring& error);

}  // namespace asphost
