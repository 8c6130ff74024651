#include "page/site_paths.h"

#include "common/file_names.h"
#include "common/file_system.h"

namespace kb {

std::wstring mapSoundPath(const std::wstring& virtualPath, Page& page) {
    if (!hasPlainSegments(virtualPath)) return {};
    return page.mapPath(virtualPath);
}

std::wstring siteFolder(Page& page) { return fullPathName(page.mapPath(L"/")); }

bool liesWithinSite(const std::wstring& physical, const std::wstring& site) {
    std::wstring full = fullPathName(physical);
    return !site.empty() && !full.empty() && liesWithin(full, site);
}

}  // namespace kb
