#include "maintenance/file_listing.h"

#include "common/file_names.h"
#include "common/file_system.h"
#include "common/text.h"
#include "page/site_paths.h"
#include "policy/policy_switches.h"
#include "status/status_messages.h"

#include <stdexcept>

namespace kb {

CountOutcome listFiles(const ListingRequest& request, Page& page) {
    constexpr wchar_t kOperation[] = L"fileListing";
    std::wstring directory;
    try {
        std::wstring pattern = request.pattern;
        if (pattern.empty()) pattern = L"*.*";
        // The switch that keeps listings to the site also keeps the pattern
        // from climbing out of the listed folder.
        if (policy::refusesListPattern(policy::isSwitchOn(policy::Switch::AllowVirtualFileListOnly), pattern)) {
            page.writeHtml(policy::refusalParagraph(policy::Switch::AllowVirtualFileListOnly));
            return {0, policy::refusal(kOperation, policy::Switch::AllowVirtualFileListOnly, pattern)};
        }

        int16_t code = status::Success;
        if (request.root.empty()) {
            code = status::NoListDirectory;
        } else {
            directory = isPhysicalPath(request.root) ? request.root : mapSoundPath(request.root, page);
            if (directory.empty() || (request.withinSite && !liesWithinSite(directory, siteFolder(page)))) {
                code = status::ListDirectoryNotFound;
            }
        }
        if (code != status::Success) {
            page.writeHtml(status::errorParagraph(code));
            return {0, statusFailure(kOperation, code, request.root)};
        }

        short count = 0;
        forEachEntry(withTrailingBackslash(directory) + pattern, Listing::Files, [&](const Entry& e) {
            if (e.name.front() == L'.') return true;
            // Names can come from uploads: escape them so that none can carry markup.
            page.writeHtml(request.beforeFileHTML + htmlEscape(e.name) + request.afterFileHTML);
            if (count == INT16_MAX) throw std::overflow_error("count");
            ++count;
            return true;
        });
        return {count, std::nullopt};
    } catch (...) {
        DWORD fault = currentExceptionCode();
        page.writeHtml(status::errorParagraph(status::FileListingGeneralError));
        return {0, faultFailure(kOperation, status::FileListingGeneralError,
                                directory.empty() ? request.root : directory, fault)};
    }
}

}  // namespace kb
