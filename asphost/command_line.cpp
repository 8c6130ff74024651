#include "command_line.h"

namespace asphost {

namespace {

// A whole decimal number from low to high.
bool parseNumber(const std::wstring& text, long long low, long long high, long long& out) {
    if (text.empty() || text.size() > 12) return false;
    long long n = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        n = n * 10 + (c - L'0');
    }
    if (n < low || n > high) return false;
    out = n;
    return true;
}

}  // namespace

std::wstring usageText() {
    CommandLine defaults;
    return L"usage: asphost run --root DIR PAGE [--query STRING] [--form STRING] [--user NAME]\n"
           L"       asphost serve --root DIR [--port N] [--threads N | --thread-per-request]\n"
           L"                     [--head-timeout SECONDS] [--body-timeout SECONDS] [--max-request-entity BYTES]\n"
           L"serve listens on 127.0.0.1:" + std::to_wstring(defaults.port) + L" with " +
           std::to_wstring(defaults.threads) + L" threads unless told otherwise. A request's head must arrive\n"
           L"within --head-timeout of the connection (" + std::to_wstring(defaults.limits.head.count()) +
           L" s) and its body within --body-timeout of the head (" + std::to_wstring(defaults.limits.body.count()) +
           L" s);\na body over --max-request-entity (" + std::to_wstring(defaults.limits.maxEntity) +
           L" bytes) is refused with 413 unread.\n";
}

std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args, std::wstring& error) {
    CommandLine line;
    if (args.empty()) {
        error = L"no command given";
        return std::nullopt;
    }
    if (args.size() == 1 && (args[0] == L"--help" || args[0] == L"-h" || args[0] == L"/?")) {
        line.mode = CommandLine::Mode::Help;
        return line;
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
        long long n = 0;
        auto number = [&](long long low, long long high) {
            if (!value(v)) return false;
            if (parseNumber(v, low, high, n)) return true;
            error = a + L" needs a number from " + std::to_wstring(low) + L" to " + std::to_wstring(high);
            return false;
        };
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
            if (!number(0, 65535)) return std::nullopt;
            line.port = static_cast<int>(n);
        } else if (a == L"--threads" && !run) {
            if (!number(1, 64)) return std::nullopt;
            line.threads = static_cast<int>(n);
        } else if (a == L"--head-timeout" && !run) {
            if (!number(1, 3600)) return std::nullopt;
            line.limits.head = std::chrono::seconds(n);
        } else if (a == L"--body-timeout" && !run) {
            if (!number(1, 3600)) return std::nullopt;
            line.limits.body = std::chrono::seconds(n);
        } else if (a == L"--max-request-entity" && !run) {
            // Held whole in memory, as a page reads it: a gigabyte at most.
            if (!number(0, 1LL << 30)) return std::nullopt;
            line.limits.maxEntity = static_cast<uint64_t>(n);
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
