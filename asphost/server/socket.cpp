#include "server/socket.h"

#include "common/text.h"
#include "web/http_message.h"

#include <algorithm>

namespace asphost {

namespace {

// Long enough for a client on this machine to finish sending a body we
// refused and read the refusal.
constexpr auto kLinger = std::chrono::seconds(1);

}  // namespace

Socket::~Socket() {
    if (s_ == INVALID_SOCKET) return;
    ::shutdown(s_, SD_SEND);
    char scratch[8192];
    Clock::time_point until = Clock::now() + kLinger;
    while (receive(scratch, sizeof scratch, until) > 0) {
    }
    ::closesocket(s_);
}

int Socket::receive(char* buffer, int size, Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left < 0) left = 0;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s_, &readable);
    timeval wait{static_cast<long>(left / 1000000), static_cast<long>(left % 1000000)};
    int ready = ::select(0, &readable, nullptr, nullptr, &wait);
    if (ready == 0) return kTimedOut;
    if (ready < 0) return 0;
    int n = ::recv(s_, buffer, size, 0);
    return n > 0 ? n : 0;
}

void Socket::setTimeouts(DWORD milliseconds) {
    ::setsockopt(s_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds), sizeof milliseconds);
    ::setsockopt(s_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&milliseconds), sizeof milliseconds);
}

bool Socket::sendAll(std::string_view bytes) {
    while (!bytes.empty()) {
        int n = ::send(s_, bytes.data(), static_cast<int>(std::min<size_t>(bytes.size(), 1 << 20)), 0);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void SocketSink::sendHead(const ResponseHead& head) {
    status_ = kb::toUtf8(head.status.substr(0, 3));
    ok_ = ok_ && socket_.sendAll(formatResponseHead(head));
}

void SocketSink::sendBody(std::string_view bytes) {
    if (!headOnly_) ok_ = ok_ && socket_.sendAll(bytes);
}

void sendSimple(Socket& socket, const wchar_t* status, const std::wstring& message, bool headOnly,
                HeaderList headers) {
    std::string body = simplePage(status, message);
    ResponseHead head;
    head.status = status;
    head.contentLength = body.size();
    head.headers = std::move(headers);
    SocketSink sink(socket, headOnly);
    sink.sendHead(head);
    sink.sendBody(body);
}

}  // namespace asphost
