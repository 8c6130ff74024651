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

// value with every character that could end a line, a field or a record
// for some reader shown as "<U+XXXX>": controls, U+2028 and U+2029, "<",
// and a leading double quote. Much of what is logged was typed by visitors.
std::wstring shownText(std::wstring_view value);

// One line, no line break: tab-separated fields, "-" for an empty one, each
// shown by shownText, so that each failure is one row: time, process,
// operation, page, status, message, path, reason.
std::wstring logLine(const Failure& failure, const Occasion& occasion);

// The Event Log's text: the same facts, one to a line, each shown by
// shownText, so that no fact can forge another line.
std::wstring eventText(const Failure& failure, const Occasion& occasion);

// The system's text for an error with its number ("Access is denied (5)",
// an HRESULT in hex); "" for 0.
std::wstring reasonText(DWORD error);

}  // namespace kb::log
