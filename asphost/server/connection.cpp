#include "server/connection.h"

#include "common/file_names.h"
#include "common/text.h"
#include "config/folder_settings.h"
#include "paths/virtual_path.h"
#include "server/socket.h"
#include "server/static_files.h"
#include "web/http_message.h"
#include "web/url_encoding.h"

#include <cstdio>
#include <mutex>

namespace asphost {

namespace {

constexpr size_t kMaxHead = 32 * 1024;
// Bounds each send to a client that stops reading; the arrival of a request
// has deadlines of its own (request_limits.h).
constexpr DWORD kSocketTimeoutMs = 30000;

std::mutex g_logMutex;

struct Refusal {
    const wchar_t* status;
    const wchar_t* message;
};
constexpr Refusal kHeadTooLarge{L"431 Request Header Fields Too Large", L"The request is too large."};
constexpr Refusal kTooSlow{L"408 Request Timeout", L"The request did not arrive in time."};

// Reads the head of a request and whatever of its body came with it. On
// failure, refusal says what to answer, or stays null when the client has
// gone.
bool readRequest(Socket& socket, Socket::Clock::time_point deadline, std::string& head, std::string& body,
                 const Refusal*& refusal) {
    std::string data;
    char buffer[8192];
    std::optional<HeadEnd> end;
    while (!(end = findHeadEnd(data))) {
        if (data.size() > kMaxHead) {
            refusal = &kHeadTooLarge;
            return false;
        }
        int n = socket.receive(buffer, sizeof buffer, deadline);
        if (n == Socket::kTimedOut) refusal = &kTooSlow;
        if (n <= 0) return false;
        data.append(buffer, static_cast<size_t>(n));
    }
    if (end->headSize > kMaxHead) {
        refusal = &kHeadTooLarge;
        return false;
    }
    head = data.substr(0, end->headSize);
    body = data.substr(end->bodyStart);
    return true;
}

class Connection {
public:
    Connection(const Accepted& accepted, const ServerInfo& server)
        : socket_(accepted.socket), site_(*server.site), port_(server.port), limits_(server.limits),
          remote_(accepted.remote), accepted_(accepted.at) {}

    void setTimeouts(DWORD milliseconds) { socket_.setTimeouts(milliseconds); }

    void handle() {
        const Refusal* refusal = nullptr;
        std::string headText, body;
        if (!readRequest(socket_, accepted_ + limits_.head, headText, body, refusal)) {
            if (refusal) sendSimple(socket_, refusal->status, refusal->message, false);
            return;
        }
        std::optional<HttpRequest> request = parseRequestHead(headText);
        if (!request) return refuse("400 Bad Request", L"The request is malformed.", false);
        bool headOnly = request->method == "HEAD";
        std::string status = serve(*request, body, headOnly);
        logLine(request->method + " " + request->target + " " + status);
    }

private:
    void refuse(const char* status, const std::wstring& message, bool headOnly) {
        sendSimple(socket_, fromUtf8(status).c_str(), message, headOnly);
    }

    std::string serve(const HttpRequest& request, std::string& body, bool headOnly) {
        if (request.method != "GET" && request.method != "HEAD" && request.method != "POST") {
            sendSimple(socket_, L"405 Method Not Allowed", L"Only GET, HEAD and POST are served.", headOnly, {{L"Allow", L"GET, HEAD, POST"}});
            return "405";
        }
        if (!request.header("Transfer-Encoding").empty()) {
            refuse("411 Length Required", L"Send the body with a Content-Length.", headOnly);
            return "411";
        }
        std::optional<uint64_t> declared = declaredContentLength(request);
        if (!declared) {
            refuse("400 Bad Request", L"The Content-Length is malformed.", headOnly);
            return "400";
        }
        // Refused on its declared length alone: none of it is read but what
        // came with the head, and the close that follows ends the request.
        if (*declared > limits_.maxEntity) {
            refuse("413 Request Entity Too Large", L"The request body is too large.", headOnly);
            return "413";
        }
        size_t length = static_cast<size_t>(*declared);
        char buffer[8192];
        Socket::Clock::time_point deadline = Socket::Clock::now() + limits_.body;
        while (body.size() < length) {
            int n = socket_.receive(buffer, sizeof buffer, deadline);
            if (n == Socket::kTimedOut) {
                sendSimple(socket_, kTooSlow.status, kTooSlow.message, headOnly);
                return "408";
            }
            if (n <= 0) return "-";
            body.append(buffer, static_cast<size_t>(n));
        }
        body.resize(length);

        if (request.target.empty() || request.target[0] != '/') {
            refuse("400 Bad Request", L"Only paths of this site are served.", headOnly);
            return "400";
        }
        std::optional<std::wstring> path = safeRequestPath(urlDecode(request.path(), false));
        if (!path) {
            refuse("403 Forbidden", L"The path is not allowed.", headOnly);
            return "403";
        }
        std::wstring physical = physicalPath(site_.root, *path);
        DWORD attributes = ::GetFileAttributesW(physical.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (!path->ends_with(L"/")) {
                // From the normalised path, never the target as sent: a
                // browser reads "//host/.." as another server.
                std::wstring location = encodePath(*path + L"/");
                if (!request.query().empty()) location += L"?" + fromUtf8(request.query());
                sendSimple(socket_, L"301 Moved Permanently", L"The folder is at " + location, headOnly, {{L"Location", location}});
                return "301";
            }
            attributes = INVALID_FILE_ATTRIBUTES;
            for (const wchar_t* name : kDefaultDocuments) {
                DWORD a = ::GetFileAttributesW((physical + L"\\" + name).c_str());
                if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
                    *path += name;
                    physical = physicalPath(site_.root, *path);
                    attributes = a;
                    break;
                }
            }
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                refuse("403 Forbidden", L"Directory listing is not allowed.", headOnly);
                return "403";
            }
        }
        std::wstring ext = servedExtension(physical);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) ||
            isHiddenExtension(ext)) {
            refuse("404 Not Found", L"The page cannot be found.", headOnly);
            return "404";
        }
        if (ext == L".asp") return runAsp(request, *path, body, headOnly);
        // The folders' settings decide what is served as a file, as IIS's
        // staticContent does: a download folder serves its archives only.
        std::optional<FolderConfig> settings = folderSettings(site_.root, *path);
        if (!settings) {
            refuse("500 Internal Server Error", kUnreadableSettings, headOnly);
            return "500";
        }
        std::optional<std::string> type = staticTypeFor(*settings, kb::toUtf8(ext));
        if (!type) {
            refuse("404 Not Found", L"The page cannot be found.", headOnly);
            return "404";
        }
        if (request.method == "POST") {
            sendSimple(socket_, L"405 Method Not Allowed", L"Static files take no POST.", headOnly, {{L"Allow", L"GET, HEAD"}});
            return "405";
        }
        HeaderList headers;
        for (const auto& [name, value] : settings->headers) headers.emplace_back(fromUtf8(name), fromUtf8(value));
        std::string status;
        sendFile(socket_, physical, type->empty() ? contentTypeFor(ext) : fromUtf8(*type), std::move(headers), headOnly,
                 status);
        return status;
    }

    std::string runAsp(const HttpRequest& http, const std::wstring& path, std::string& body, bool headOnly) {
        PageRequest page;
        page.pagePath = path;
        page.data.method = fromUtf8(http.method);
        page.data.rawQuery = http.query();
        page.data.body = std::move(body);
        page.data.contentType = http.header("Content-Type");
        for (const auto& [name, value] : http.headers) page.data.headers.emplace_back(fromUtf8(name), fromUtf8(value));
        page.data.serverVariables = {
            {L"SERVER_NAME", L"127.0.0.1"},
            {L"SERVER_PORT", std::to_wstring(port_)},
            {L"SERVER_PROTOCOL", fromUtf8(http.version)},
            {L"REMOTE_ADDR", fromUtf8(remote_)},
            {L"REMOTE_HOST", fromUtf8(remote_)},
            // No authentication here: every request is anonymous, as IIS
            // reports one.
            {L"AUTH_USER", L""},
            {L"LOGON_USER", L""},
        };
        for (const auto& [name, value] : parseCookies(fromUtf8(http.header("Cookie")))) {
            if (kb::sameName(name, kSessionCookie)) page.sessionCookie = value;
        }
        SocketSink sink(socket_, headOnly);
        std::optional<PageFailure> failure = runPage(site_, page, sink);
        if (failure) logLine(kb::toUtf8(describe(*failure)));
        return sink.status();
    }

    Socket socket_;
    SiteState& site_;
    int port_;
    RequestLimits limits_;
    std::string remote_;
    Socket::Clock::time_point accepted_;
};

}  // namespace

void logLine(const std::string& line) {
    std::lock_guard<std::mutex> guard(g_logMutex);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void serveConnection(const Accepted& accepted, const ServerInfo& server) {
    try {
        Connection connection(accepted, server);
        connection.setTimeouts(kSocketTimeoutMs);
        connection.handle();
    } catch (...) {
        logLine("request failed unexpectedly");
    }
}

}  // namespace asphost
