// HTTP/1.1 as the host speaks it: the head of a request in (http_request.h),
// the head of a response out. Pure text handling, no sockets.
#pragma once

#include "web/http_request.h"
#include "web/response_sink.h"

#include <string>
#include <string_view>

namespace asphost {

// The status line and headers of a response, ending in the blank line.
std::string formatResponseHead(const ResponseHead& head);

// The content type of a static file by its extension (".zip" and the like).
std::wstring contentTypeFor(std::wstring_view extension);

}  // namespace asphost
