// The per-object state behind the properties, with its initial values.
#pragma once

#include "common/secret.h"
#include "page/page.h"

#include <wtypes.h>

#include <string>

namespace kb {

struct ComponentState {
    std::wstring sourceFileList;
    // The value was set while the administrator's switch allowed only paths
    // of the web site: the operation keeps it inside the site once mapped.
    bool sourceWithinSite = false;
    std::wstring zipFileName;
    std::wstring virtualTargetRoot;
    short compressionRate = 5;
    VARIANT_BOOL recurseDirs = VARIANT_FALSE;
    SecretW encryptString;
    // The latest assignment to encryptString was refused: an operation must
    // not go on to write an archive without the password the page meant.
    bool encryptStringRefused = false;
    VARIANT_BOOL deleteOriginalFiles = VARIANT_FALSE;
    short daysOldToDelete = 2;
    std::wstring fileListRoot;
    bool listRootWithinSite = false;  // as sourceWithinSite, for the listing's switch
    std::wstring beforeFileHTML;
    std::wstring afterFileHTML = std::wstring(L"<BR>") + kLineBreak;
    std::wstring zipfileDownloadHref;
    VARIANT_BOOL hideResponse = VARIANT_FALSE;
    std::wstring tempDirectory;  // ends in a backslash; fixed at creation
};

}  // namespace kb
