// Where a page's response goes: the console when a page is run once, a
// socket when it is served.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace asphost {

struct ResponseHead {
    std::wstring status = L"200 OK";
    std::wstring contentType = L"text/html";
    std::wstring charset;
    std::vector<std::pair<std::wstring, std::wstring>> headers;
    std::optional<size_t> contentLength;  // known only when nothing was sent before the end
};

class ResponseSink {
public:
    virtual ~ResponseSink() = default;
    // Called first with the head (once), then with body bytes as they are
    // flushed; last says that the response is complete.
    virtual void sendHead(const ResponseHead& head) = 0;
    virtual void sendBody(std::string_view bytes) = 0;
    virtual bool connected() const { return true; }
};

}  // namespace asphost
