// asphost.exe: runs .asp pages with the system's script engines, once from
// the command line or as a small local web server.
#include "command_line.h"
#include "common/text.h"
#include "paths/virtual_path.h"
#include "script/run_page.h"
#include "server/http_server.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

namespace asphost {

namespace {

class ConsoleSink final : public ResponseSink {
public:
    void sendHead(const ResponseHead&) override {}
    void sendBody(std::string_view bytes) override {
        // Raw bytes: the body is UTF-8 whatever the console's code page.
        HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD written = 0;
        while (!bytes.empty() && ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written) {
            bytes.remove_prefix(written);
        }
    }
};

void printError(const std::wstring& text) {
    std::string bytes = kb::toUtf8(L"asphost: " + text + L"\n");
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

// The absolute form of the root, which must be a folder.
bool resolveRoot(const std::wstring& given, std::wstring& root) {
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(std::size(buffer)), buffer, nullptr);
    if (n == 0 || n >= std::size(buffer)) return false;
    root.assign(buffer, n);
    while (root.size() > 3 && (root.back() == L'\\' || root.back() == L'/')) root.pop_back();
    DWORD attributes = ::GetFileAttributesW(root.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int runOnce(const CommandLine& line, const std::wstring& root) {
    std::optional<std::wstring> page = resolveVirtualPath(L"/", line.page);
    DWORD attributes = page ? ::GetFileAttributesW(physicalPath(root, *page).c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        printError(L"page not found: " + line.page);
        return 2;
    }
    SiteState site;
    site.root = root;
    PageRequest request;
    request.pagePath = *page;
    request.data.rawQuery = kb::toUtf8(line.query);
    if (line.form) {
        request.data.method = L"POST";
        request.data.body = kb::toUtf8(*line.form);
        request.data.contentType = "application/x-www-form-urlencoded";
    }
    request.data.headers = {{L"Host", L"localhost"}, {L"User-Agent", L"asphost"}};
    request.data.serverVariables = {
        {L"SERVER_NAME", L"localhost"}, {L"SERVER_PORT", L"80"}, {L"SERVER_PROTOCOL", L"HTTP/1.1"},
        {L"REMOTE_ADDR", L"127.0.0.1"}, {L"REMOTE_HOST", L"127.0.0.1"},
        {L"AUTH_USER", line.user}, {L"LOGON_USER", line.user}, {L"REMOTE_USER", line.user},
        {L"AUTH_TYPE", line.user.empty() ? L"" : L"Negotiate"},
    };

    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ConsoleSink sink;
    std::optional<PageFailure> failure = runPage(site, request, sink);
    if (SUCCEEDED(hr)) ::CoUninitialize();
    if (failure) {
        printError(describe(*failure));
        return 1;
    }
    return 0;
}

int main(const std::vector<std::wstring>& args) {
    std::wstring error;
    std::optional<CommandLine> line = parseCommandLine(args, error);
    if (!line) {
        printError(error);
        std::fputws(usageText().c_str(), stderr);
        return 2;
    }
    if (line->mode == CommandLine::Mode::Help) {
        std::fputws(usageText().c_str(), stdout);
        return 0;
    }
    std::wstring root;
    if (!resolveRoot(line->root, root)) {
        printError(L"the root is not a folder: " + line->root);
        return 2;
    }
    if (line->mode == CommandLine::Mode::Serve) {
        return serveSite({root, line->port, line->threads, line->threadPerRequest, line->limits});
    }
    return runOnce(*line, root);
}

}  // namespace

}  // namespace asphost

int main() {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    ::LocalFree(argv);
    try {
        return asphost::main(args);
    } catch (...) {
        std::fputs("asphost: unexpected failure\n", stderr);
        return 3;
    }
}
