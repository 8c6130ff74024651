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
    int port = 8080;
};

inline constexpr wchar_t kUsage[] =
    L"usage: asphost run --root DIR PAGE [--query STRING] [--form STRING]\n"
    L"       asphost serve --root DIR [--port N]\n";

// The arguments after the program name. Nothing, with error set, when they
// do not form a command.
std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args, std::wstring& error);

}  // namespace asphost
