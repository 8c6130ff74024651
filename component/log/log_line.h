// How a failure reads in the administrator's log file and in the Event Log.
#pragma once

#include "common/clock.h"
#include "status/failure.h"

#include <windows.h>

#include <string>

namespace kb::log {

struct Occasion {
    LocalTime when;
    DWORD processId = 0;
    std::wstring pagePath;  // the page's own path in the site; "" when unknown
};

// One line, no line break: tab-separated fields, "-" for an empty one, and
// no tab or line break inside a field, so that each failure is one row:
// time, process, operation, page, status, message, path, reason.
std::wstring logLine(const Failure& failure, const Occasion& occasion);

// The Event Log's text: the same facts, one to a line.
std::wstring eventText(const Failure& failure, const Occasion& occasion);

// The system's text for an error with its number ("Access is denied (5)",
// an HRESULT in hex); "" for 0.
std::wstring reasonText(DWORD error);

}  // namespace kb::log
