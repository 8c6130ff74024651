#include "server/http_server.h"

#include "common/text.h"
#include "server/connection.h"
#include "server/worker_pool.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace asphost {

namespace {

// Connections waiting for a worker, or running on their own threads, beyond
// which a new one is refused at once.
constexpr size_t kMaxWaiting = 64;

const std::string& busyResponse() {
    static const std::string response = [] {
        std::string body =
            "<!DOCTYPE html><html><body><h1>503 Service Unavailable</h1><p>Too many requests at once; try again "
            "shortly.</p></body></html>\r\n";
        return "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\nConnection: close\r\nRetry-After: 1\r\n\r\n" + body;
    }();
    return response;
}

// Refuses a connection without ever waiting on it: the accept thread must
// not be held up by a client that sends nothing and reads nothing.
void refuseBusy(SOCKET s) {
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    char scratch[4096];
    while (::recv(s, scratch, sizeof scratch, 0) > 0) {
    }
    const std::string& response = busyResponse();
    ::send(s, response.data(), static_cast<int>(response.size()), 0);
    ::shutdown(s, SD_SEND);
    while (::recv(s, scratch, sizeof scratch, 0) > 0) {
    }
    ::closesocket(s);
}

std::atomic<size_t> g_ownThreads{0};

// For comparison with the pool: a thread and an apartment per request.
bool startOwnThread(Accepted connection, const ServerInfo& server) {
    if (g_ownThreads >= kMaxWaiting) return false;
    ++g_ownThreads;
    try {
        std::thread([connection, server] {
            HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            serveConnection(connection, server);
            if (SUCCEEDED(hr)) ::CoUninitialize();
            --g_ownThreads;
        }).detach();
        return true;
    } catch (...) {
        --g_ownThreads;
        return false;
    }
}

}  // namespace

int serveSite(const ServeOptions& options) {
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        std::fputs("asphost: the network cannot be started\n", stderr);
        return 2;
    }
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(options.port));
    // Loopback only: the host is for trying pages, not for the network.
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener == INVALID_SOCKET || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, SOMAXCONN) != 0) {
        std::fprintf(stderr, "asphost: cannot listen on 127.0.0.1:%d (error %d)\n", options.port, ::WSAGetLastError());
        return 2;
    }
    int length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    static SiteState site;
    site.root = options.root;
    ServerInfo server{&site, ntohs(address.sin_port), options.limits};
    std::unique_ptr<WorkerPool> pool;
    if (!options.threadPerRequest) {
        pool = std::make_unique<WorkerPool>(options.threads, kMaxWaiting, [server](const Accepted& connection) {
            serveConnection(connection, server);
        });
    }
    logLine("asphost: serving " + kb::toUtf8(options.root) + " at http://127.0.0.1:" + std::to_string(server.port) +
            "/");

    for (;;) {
        sockaddr_in peer{};
        int peerLength = sizeof peer;
        SOCKET s = ::accept(listener, reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (s == INVALID_SOCKET) continue;
        Accepted connection{s, "127.0.0.1", std::chrono::steady_clock::now()};
        char remote[INET_ADDRSTRLEN] = "";
        if (::inet_ntop(AF_INET, &peer.sin_addr, remote, sizeof remote)) connection.remote = remote;
        bool taken = pool ? pool->submit(connection) : startOwnThread(connection, server);
        if (!taken) refuseBusy(s);
    }
}

}  // namespace asphost
