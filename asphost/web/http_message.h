// HTTP/1.1 as the host speaks it: the head of a request in, the head of a
// response out. Pure text handling, no sockets.
#pragma once

#include "web/response_sink.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace asphost {

struct HttpRequest {
    std::string method;
    std::string target;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;

    // The value of a header in any letter case; "" when absent.
    std::string header(std::string_view name) const;
    std::string path() const;   // the target before "?", still encoded
    std::string query() const;  // the target after "?", still encoded
};

// Parses the request line and headers (the text before the blank line).
// Nothing when the head is malformed.
std::optional<HttpRequest> parseRequestHead(std::string_view head);

// The status line and headers of a response, ending in the blank line.
std::string formatResponseHead(const ResponseHead& head);

// The content type of a static file by its extension (".zip" and the like).
std::wstring contentTypeFor(std::wstring_view extension);

}  // namespace asphost
