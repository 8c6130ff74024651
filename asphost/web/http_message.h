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

// The short HTML page that answers with a status of the host's own
// ("404 Not Found") and says why.
std::string simplePage(std::wstring_view status, std::wstring_view message);

// The content type of a static file by its extension (".zip" and the like).
std::wstring contentTypeFor(std::wstring_view extension);

}  // namespace asphost
