// The zip operation: checks, a fresh download directory, the busy flag, the
// compression, and the page's progress, result and download link.
#pragma once

#include "component/page.h"
#include "component/state.h"

#include <string>
#include <string_view>

namespace kb {

struct ZipOutcome {
    bool succeeded = false;
    bool reportStatus = true;  // false on the busy refusal: the caller's variables stay as they were
    int errorNumber = 0;       // the absolute value of the final status
    std::wstring errorText;
};

// A zip file name must name a file inside the new directory: no path
// separators, no drive or stream colon, not "." or "..".
bool isBareFileName(std::wstring_view name);

// The address of the zip file below the virtual root.
std::wstring downloadAddress(const std::wstring& virtualRoot, const std::wstring& directory,
                             const std::wstring& zipFileName);

// The link fragment, with the name and the address escaped for HTML.
std::wstring downloadLinkHtml(const std::wstring& address, const std::wstring& zipFileName);

ZipOutcome runZipOperation(ComponentState& state, Page& page);

}  // namespace kb
