// Runs one .asp page: parses it, hands its script to the system's script
// engine with the intrinsic objects, and sends the response.
#pragma once

#include "intrinsics/request.h"
#include "web/response_sink.h"
#include "intrinsics/value_store.h"
#include "page/page_parser.h"

#include <memory>
#include <mutex>
#include <optional>

namespace asphost {

struct SiteState {
    std::wstring root;  // physical, without a trailing backslash
    std::shared_ptr<ValueStore> application = std::make_shared<ValueStore>();
    std::shared_ptr<std::recursive_mutex> applicationLock = std::make_shared<std::recursive_mutex>();
    SessionStore sessions;
};

struct PageRequest {
    std::wstring pagePath;  // normalised virtual path
    RequestData data;
    std::wstring sessionCookie;  // the visitor's session id, "" when none
};

struct PageFailure {
    SourcePos pos;
    std::wstring message;
};

// Runs the page on the calling thread, which must be in a single-threaded
// apartment. Returns the script or page error, if any; the error text has
// then also gone into the response, as IIS shows it. A page below a
// web.config that grants no Script access is not run but answered 403 (500
// when such a file cannot be read), and that is returned as its error.
std::optional<PageFailure> runPage(SiteState& site, const PageRequest& request, ResponseSink& sink);

// "file(line): message", the form errors are reported in.
std::wstring describe(const PageFailure& failure);

}  // namespace asphost
