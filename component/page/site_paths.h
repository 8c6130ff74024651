// Mapping paths of the web site so that each reaches what it says: the
// page folds an exact ".." but nothing else, and the system's full-path
// step afterwards reads "..." as ".." and drops trailing dots and blanks.
#pragma once

#include "page/page.h"

#include <string>

namespace kb {

// The physical path of a virtual one; "" when a segment of it is all dots
// or ends in a dot or a blank (see hasPlainSegments), or when the page maps
// it to nothing.
std::wstring mapSoundPath(const std::wstring& virtualPath, Page& page);

// The full path of the folder that the page maps "/" to; "" when none.
std::wstring siteFolder(Page& page);

// True when physical, resolved to its full path as the system will open
// it, lies inside site (as siteFolder gives it).
bool liesWithinSite(const std::wstring& physical, const std::wstring& site);

}  // namespace kb
