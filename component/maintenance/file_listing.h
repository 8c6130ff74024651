// The HTML listing of the files of one directory.
#pragma once

#include "page/page.h"
#include "status/failure.h"

#include <string>

namespace kb {

struct ListingRequest {
    std::wstring root;     // fileListRoot: physical when it holds ":", else virtual
    bool withinSite = false;  // the root was set under AllowVirtualFileListOnly: it stays inside the site
    std::wstring pattern;  // "" lists every file
    std::wstring beforeFileHTML;
    std::wstring afterFileHTML;
};

// Writes beforeFileHTML + name + afterFileHTML for each ordinary file that
// matches the pattern, in the file system's order, and returns how many it
// wrote.
CountOutcome listFiles(const ListingRequest& request, Page& page);

}  // namespace kb
