#include "command_line.h"

#include <cwchar>

namespace asphost {

std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args, std::wstring& error) {
    CommandLine line;
    if (args.empty()) {
        error = L"no command given";
        return std::nullopt;
    }
    if (args[0] == L"run") {
        line.mode = CommandLine::Mode::Run;
    } else if (args[0] == L"serve") {
        line.mode = CommandLine::Mode::Serve;
    } else {
        error = L"unknown command '" + args[0] + L"'";
        return std::nullopt;
    }
    bool run = line.mode == CommandLine::Mode::Run;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        auto value = [&](std::wstring& out) {
            if (i + 1 >= args.size()) {
                error = a + L" needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::wstring v;
        if (a == L"--root") {
            if (!value(line.root)) return std::nullopt;
        } else if (a == L"--query" && run) {
            if (!value(line.query)) return std::nullopt;
        } else if (a == L"--user" && run) {
            if (!value(line.user)) return std::nullopt;
        } else if (a == L"--form" && run) {
            if (!value(v)) return std::nullopt;
            line.form = v;
        } else if (a == L"--port" && !run) {
            if (!value(v)) return std::nullopt;
            wchar_t* end = nullptr;
            long port = std::wcstol(v.c_str(), &end, 10);
            if (v.empty() || *end || port < 0 || port > 65535) {
                error = L"--port needs a number from 0 to 65535";
                return std::nullopt;
            }
            line.port = static_cast<int>(port);
        } else if (a == L"--threads" && !run) {
            if (!value(v)) return std::nullopt;
            wchar_t* end = nullptr;
            long threads = std::wcstol(v.c_str(), &end, 10);
            if (v.empty() || *end || threads < 1 || threads > 64) {
                error = L"--threads needs a number from 1 to 64";
                return std::nullopt;
            }
            line.threads = static_cast<int>(threads);
        } else if (a == L"--thread-per-request" && !run) {
            line.threadPerRequest = true;
        } else if (run && line.page.empty() && !a.starts_with(L"--")) {
            line.page = a;
        } else {
            error = L"unexpected argument '" + a + L"'";
            return std::nullopt;
        }
    }
    if (line.root.empty()) {
        error = L"--root is required";
        return std::nullopt;
    }
    if (run && line.page.empty()) {
        error = L"run needs a PAGE";
        return std::nullopt;
    }
    return line;
}

}  // namespace asphost
