#include "server/http_server.h"

#include "common/errors.h"
#include "common/text.h"
#include "paths/virtual_path.h"
#include "script/run_page.h"
#include "web/http_message.h"
#include "web/url_encoding.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace asphost {

namespace {

constexpr size_t kMaxHead = 32 * 1024;
constexpr size_t kMaxBody = 8 * 1024 * 1024;
constexpr int kMaxConnections = 64;
constexpr DWORD kSocketTimeoutMs = 30000;

const wchar_t* const kDefaultDocuments[] = {L"default.asp", L"index.asp", L"index.html", L"index.htm", L"default.htm"};

// Files that belong to the site's code, never to its visitors.
bool isHiddenExtension(const std::wstring& ext) { return ext == L".inc" || ext == L".asa" || ext == L".config"; }

std::mutex g_logMutex;
std::atomic<int> g_connections{0};

void logLine(const std::string& line) {
    std::lock_guard<std::mutex> guard(g_logMutex);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

class Socket {
public:
    explicit Socket(SOCKET s) : s_(s) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() {
        if (s_ == INVALID_SOCKET) return;
        // Tell the client we are done, then let it read the rest before the close.
        ::shutdown(s_, SD_SEND);
        char scratch[512];
        while (::recv(s_, scratch, sizeof scratch, 0) > 0) {
        }
        ::closesocket(s_);
    }
    SOCKET get() const { return s_; }

    bool sendAll(std::string_view bytes) {
        while (!bytes.empty()) {
            int n = ::send(s_, bytes.data(), static_cast<int>(std::min<size_t>(bytes.size(), 1 << 20)), 0);
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }

private:
    SOCKET s_;
};

class SocketSink final : public ResponseSink {
public:
    SocketSink(Socket& socket, bool headOnly) : socket_(socket), headOnly_(headOnly) {}

    void sendHead(const ResponseHead& head) override {
        status_ = kb::toUtf8(head.status.substr(0, 3));
        ok_ = ok_ && socket_.sendAll(formatResponseHead(head));
    }
    void sendBody(std::string_view bytes) override {
        if (!headOnly_) ok_ = ok_ && socket_.sendAll(bytes);
    }
    bool connected() const override { return ok_; }
    const std::string& status() const { return status_; }

private:
    Socket& socket_;
    bool headOnly_;
    bool ok_ = true;
    std::string status_;
};

void sendSimple(Socket& socket, const wchar_t* status, const std::wstring& message, bool headOnly,
                std::vector<std::pair<std::wstring, std::wstring>> headers = {}) {
    std::string body = kb::toUtf8(L"<!DOCTYPE html><html><head><title>" + std::wstring(status) + L"</title></head><body><h1>" +
                                  status + L"</h1><p>" + kb::htmlEscape(message) + L"</p></body></html>\r\n");
    ResponseHead head;
    head.status = status;
    head.contentLength = body.size();
    head.headers = std::move(headers);
    SocketSink sink(socket, headOnly);
    sink.sendHead(head);
    sink.sendBody(body);
}

// Reads the head of a request and as much of its body as it declares.
bool readRequest(Socket& socket, std::string& head, std::string& body, const wchar_t*& refusal) {
    std::string data;
    char buffer[8192];
    size_t end;
    while ((end = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > kMaxHead) {
            refusal = L"431 Request Header Fields Too Large";
            return false;
        }
        int n = ::recv(socket.get(), buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        data.append(buffer, static_cast<size_t>(n));
    }
    head = data.substr(0, end);
    body = data.substr(end + 4);
    return true;
}

void sendFile(Socket& socket, const std::wstring& path, bool headOnly, std::string& status) {
    kb::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) {
        status = "404";
        return sendSimple(socket, L"404 Not Found", L"The file cannot be read.", headOnly);
    }
    ResponseHead head;
    head.contentType = contentTypeFor(extensionOf(path));
    head.contentLength = static_cast<size_t>(size.QuadPart);
    status = "200";
    if (!socket.sendAll(formatResponseHead(head)) || headOnly) return;
    std::string chunk(64 * 1024, '\0');
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) || got == 0) return;
        if (!socket.sendAll(std::string_view(chunk.data(), got))) return;
    }
}

class Connection {
public:
    Connection(SOCKET s, SiteState& site, int port, std::string remote) : socket_(s), site_(site), port_(port), remote_(std::move(remote)) {}

    void handle() {
        const wchar_t* refusal = nullptr;
        std::string headText, body;
        if (!readRequest(socket_, headText, body, refusal)) {
            if (refusal) sendSimple(socket_, refusal, L"The request is too large.", false);
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
        std::string lengthText = request.header("Content-Length");
        size_t length = 0;
        if (!lengthText.empty()) {
            char* end = nullptr;
            unsigned long long n = std::strtoull(lengthText.c_str(), &end, 10);
            if (*end != '\0' || lengthText[0] == '-') {
                refuse("400 Bad Request", L"The Content-Length is malformed.", headOnly);
                return "400";
            }
            if (n > kMaxBody) {
                refuse("413 Content Too Large", L"The request body is too large.", headOnly);
                return "413";
            }
            length = static_cast<size_t>(n);
        }
        char buffer[8192];
        while (body.size() < length) {
            int n = ::recv(socket_.get(), buffer, sizeof buffer, 0);
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
                std::wstring location = fromUtf8(request.path()) + L"/";
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
        std::wstring ext = extensionOf(*path);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) ||
            isHiddenExtension(ext)) {
            refuse("404 Not Found", L"The page cannot be found.", headOnly);
            return "404";
        }
        if (ext == L".asp") return runAsp(request, *path, body, headOnly);
        if (request.method == "POST") {
            sendSimple(socket_, L"405 Method Not Allowed", L"Static files take no POST.", headOnly, {{L"Allow", L"GET, HEAD"}});
            return "405";
        }
        std::string status;
        sendFile(socket_, physical, headOnly, status);
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
        };
        for (const auto& [name, value] : parseCookies(fromUtf8(http.header("Cookie")))) {
            if (_wcsicmp(name.c_str(), kSessionCookie) == 0) page.sessionCookie = value;
        }
        SocketSink sink(socket_, headOnly);
        std::optional<PageFailure> failure = runPage(site_, page, sink);
        if (failure) logLine(kb::toUtf8(describe(*failure)));
        return sink.status();
    }

    Socket socket_;
    SiteState& site_;
    int port_;
    std::string remote_;
};

// Each request gets a thread with its own apartment, so a page that waits
// (a long compression) holds up no other page.
void connectionThread(SOCKET s, SiteState* site, int port, std::string remote) {
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        DWORD timeout = kSocketTimeoutMs;
        ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        Connection(s, *site, port, std::move(remote)).handle();
    } catch (...) {
        logLine("request failed unexpectedly");
    }
    if (SUCCEEDED(hr)) ::CoUninitialize();
    --g_connections;
}

}  // namespace

int serveSite(const std::wstring& root, int port) {
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        std::fputs("asphost: the network cannot be started\n", stderr);
        return 2;
    }
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    // Loopback only: the host is for trying pages, not for the network.
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener == INVALID_SOCKET || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, SOMAXCONN) != 0) {
        std::fprintf(stderr, "asphost: cannot listen on 127.0.0.1:%d (error %d)\n", port, ::WSAGetLastError());
        return 2;
    }
    int length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    int bound = ntohs(address.sin_port);

    static SiteState site;
    site.root = root;
    logLine("asphost: serving " + kb::toUtf8(root) + " at http://127.0.0.1:" + std::to_string(bound) + "/");

    for (;;) {
        sockaddr_in peer{};
        int peerLength = sizeof peer;
        SOCKET s = ::accept(listener, reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (s == INVALID_SOCKET) continue;
        char remote[INET_ADDRSTRLEN] = "127.0.0.1";
        ::inet_ntop(AF_INET, &peer.sin_addr, remote, sizeof remote);
        if (g_connections >= kMaxConnections) {
            Socket busy(s);
            sendSimple(busy, L"503 Service Unavailable", L"Too many requests at once; try again shortly.", false);
            continue;
        }
        ++g_connections;
        try {
            std::thread(connectionThread, s, &site, bound, std::string(remote)).detach();
        } catch (...) {
            --g_connections;
            ::closesocket(s);
        }
    }
}

}  // namespace asphost
