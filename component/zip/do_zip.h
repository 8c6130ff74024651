// The zip operation: checks, a fresh download directory, the busy flag, the
// compression, and the page's progress, result and download link.
#pragma once

#include "common/secret.h"
#include "page/page.h"
#include "status/failure.h"

#include <optional>
#include <string>
#include <string_view>

namespace kb {

// What one doZip works with: the object's settings at the call.
struct ZipRequest {
    std::wstring sourceFileList;
    // Set while the administrator allows only paths of the web site: every
    // item must then lie inside the site once mapped.
    bool sourceWithinSite = false;
    std::wstring zipFileName;
    std::wstring virtualTargetRoot;
    short compressionRate = 5;
    bool recurse = false;
    SecretW password;              // "" for none
    bool passwordRefused = false;  // the page's latest password was refused
    bool deleteOriginals = false;
    std::wstring tempDirectory;    // where the busy flag lives
    std::wstring libraryFolder;    // where lspzipx.dll lies, ending in a backslash
    int busyWaitSeconds = 0;       // how long to wait for another operation's flag to go
};

struct ZipOutcome {
    bool succeeded = false;
    bool reportStatus = true;  // false on the busy refusal: the caller's variables stay as they were
    int errorNumber = 0;       // the absolute value of the final status
    std::wstring errorText;
    // The source list once its virtual items were mapped, which the object
    // keeps as its sourceFileList; nothing when mapping was not reached.
    std::optional<std::wstring> mappedSource;
    std::wstring downloadHref;  // the address on success, else ""
    std::optional<Failure> failure;  // for the administrator's log
};

// The virtual root with its leading slashes collapsed to one: "//host/x"
// would make the download link point at another server.
std::wstring normalisedVirtualRoot(std::wstring_view root);

// The source list with each virtual item (one without ":")
// mapped through the page on its own and quoted where it needs it; a list
// of physical items only, or one that does not parse, comes back
// unchanged. Nothing when a virtual item has a segment that does not
// resolve as written (see hasPlainSegments) or maps to "", and, with
// withinSite, when any item lies outside what the page maps "/" to once
// its full path is resolved.
std::optional<std::wstring> mapSourceList(const std::wstring& sourceList, Page& page, bool withinSite);

// The address of the zip file below the virtual root.
std::wstring downloadAddress(const std::wstring& virtualRoot, const std::wstring& directory,
                             const std::wstring& zipFileName);

// The link fragment, with the name and the address escaped for HTML.
std::wstring downloadLinkHtml(const std::wstring& address, const std::wstring& zipFileName);

ZipOutcome runZipOperation(const ZipRequest& request, Page& page);

}  // namespace kb
