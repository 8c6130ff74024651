// One accepted connection's socket, and the response sink that writes to it.
#pragma once

#include "web/response_sink.h"

#include <winsock2.h>

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace asphost {

class Socket {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kTimedOut = -1;

    explicit Socket(SOCKET s) : s_(s) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    // Tells the client we are done and reads what it still sends, so that
    // the close does not reset the connection before the client has read
    // our answer; for a moment only, whatever the client keeps sending.
    ~Socket();

    SOCKET get() const { return s_; }
    void setTimeouts(DWORD milliseconds);
    bool sendAll(std::string_view bytes);
    // Up to size bytes, waiting until deadline at the latest; bytes that are
    // already there are read even after it. The count read, 0 when the peer
    // closed or the socket failed, kTimedOut when the deadline came first.
    int receive(char* buffer, int size, Clock::time_point deadline);

private:
    SOCKET s_;
};

class SocketSink final : public ResponseSink {
public:
    SocketSink(Socket& socket, bool headOnly) : socket_(socket), headOnly_(headOnly) {}

    void sendHead(const ResponseHead& head) override;
    void sendBody(std::string_view bytes) override;
    bool connected() const override { return ok_; }
    const std::string& status() const { return status_; }

private:
    Socket& socket_;
    bool headOnly_;
    bool ok_ = true;
    std::string status_;
};

using HeaderList = std::vector<std::pair<std::wstring, std::wstring>>;

// A short HTML page for a status of the host's own ("404 Not Found").
void sendSimple(Socket& socket, const wchar_t* status, const std::wstring& message, bool headOnly,
                HeaderList headers = {});

}  // namespace asphost
