// The command line of asphost.exe.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace asphost {

struct CommandLine {
    enum class Mode { Run, Serve } mode = Mode::Run;
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
};

inline constexpr wchar_t kUsage[] =
    L"usage: asphost run --root DIR PAGE [--query STRING] [--form STRING] [--user NAME]\n"
    L"       asphost serve --root DIR [--port N] [--threads N | --thread-per-request]\n";

// The arguments after the program name. Nothing, with error set, when they
// do not form a command.
std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args, std::wstring& error);

}  // namespace asphost
