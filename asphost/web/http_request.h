// The head of an HTTP/1.1 request as the host reads it: where it ends, what
// it says, and how long a body it declares. Pure text handling, free of the
// platform, so that it can be fuzzed on its own.
#pragma once

#include <cstdint>
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

struct HeadEnd {
    size_t headSize;   // the head without the blank line
    size_t bodyStart;  // where the body begins
};

// Finds the blank line that ends a head. Lines may end in CR LF or in a
// bare LF, which clients written by hand send; a client that gets no answer
// for either waits until its own timeout.
std::optional<HeadEnd> findHeadEnd(std::string_view data);

// Parses the request line and headers (the text before the blank line).
// Nothing when the head is malformed.
std::optional<HttpRequest> parseRequestHead(std::string_view head);

// The body length the head declares: 0 without a Content-Length. Nothing
// when the value is not a plain decimal number, or when two Content-Length
// headers disagree: a server and a proxy in front of it could then read two
// different requests out of the same bytes.
std::optional<uint64_t> declaredContentLength(const HttpRequest& request);

}  // namespace asphost
