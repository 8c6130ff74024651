// One accepted connection's socket, and the response sink that writes to it.
#pragma once

#include "web/response_sink.h"

#include <winsock2.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace asphost {

class Socket {
public:
    explicit Socket(SOCKET s) : s_(s) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    // Tells the client we are done and lets it read the rest before the
    // close, for as long as the socket's receive timeout allows.
    ~Socket();

    SOCKET get() const { return s_; }
    void setTimeouts(DWORD milliseconds);
    bool sendAll(std::string_view bytes);

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
