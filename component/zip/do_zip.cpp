#include "zip/do_zip.h"

#include "common/file_names.h"
#include "common/source_list.h"
#include "common/text.h"
#include "compressor/fault_report.h"
#include "compressor/run_compressor.h"
#include "page/site_paths.h"
#include "policy/policy_switches.h"
#include "status/status_messages.h"
#include "zip/busy_flag.h"
#include "zip/busy_wait.h"
#include "zip/unique_directory.h"

#include <algorithm>
#include <cstdlib>

namespace kb {

namespace {

constexpr wchar_t kBanner[] = L"<P><B>Crateload 2 Compression Component</B><BR>";
constexpr wchar_t kCredit[] = L"Compression by the lspzipx library.<BR>";
constexpr wchar_t kBusy[] = L"<P><B>Busy at present, please try again later.</B></P>";
constexpr wchar_t kProgress[] = L"Creating zip file, please wait ...<BR>";
constexpr wchar_t kErrorLabel[] = L"<B>ERROR:</B> ";

constexpr wchar_t kOperation[] = L"doZip";

void finish(ZipOutcome& outcome, int16_t code) {
    outcome.succeeded = code == status::Success;
    outcome.errorNumber = std::abs(static_cast<int>(code));
    outcome.errorText = status::statusMessage(code);
}

}  // namespace

std::wstring normalisedVirtualRoot(std::wstring_view root) {
    size_t slashes = root.find_first_not_of(L'/');
    if (slashes == std::wstring_view::npos) slashes = root.size();
    if (slashes > 1) root.remove_prefix(slashes - 1);
    return std::wstring(root);
}

std::optional<std::wstring> mapSourceList(const std::wstring& sourceList, Page& page, bool withinSite) {
    std::optional<std::vector<std::wstring>> items = parseSourceList(sourceList);
    // The library refuses what does not parse, with the same parser; nothing
    // of it is mapped.
    if (!items) return sourceList;
    bool allPhysical = std::all_of(items->begin(), items->end(), isPhysicalPath);
    std::wstring site = withinSite ? siteFolder(page) : std::wstring();
    for (auto& item : *items) {
        if (!isPhysicalPath(item)) {
            item = mapSoundPath(item, page);
            if (item.empty()) return std::nullopt;
        }
        // Physical items too: a list mapped by an earlier call is physical now.
        if (withinSite && !liesWithinSite(item, site)) return std::nullopt;
    }
    return allPhysical ? sourceList : joinSourceList(*items);
}

std::wstring downloadAddress(const std::wstring& virtualRoot, const std::wstring& directory,
                             const std::wstring& zipFileName) {
    std::wstring address = virtualRoot == L"/" ? std::wstring() : virtualRoot;
    return address + L"/" + directory + L"/" + zipFileName;
}

std::wstring downloadLinkHtml(const std::wstring& address, const std::wstring& zipFileName) {
    return L"The file <B><A HREF=\"" + htmlEscape(address) + L"\">" + htmlEscape(zipFileName) +
           L"</A></B> is ready to collect.<P>";
}

namespace {

// Where a call stops before or after the compression: its status, and what
// the log names beside it.
struct Stop {
    Stop() = default;
    Stop(int16_t c, std::wstring p = {}, DWORD e = 0) : code(c), path(std::move(p)), systemError(e) {}
    int16_t code = status::Success;
    std::wstring path;
    DWORD systemError = 0;
    bool stopped() const { return code != status::Success; }
};

// The source: each item without ":" is a path of the web site, mapped and
// quoted when the physical path holds a blank. The mapped list goes to the
// object even when a later check fails.
Stop checkSource(const ZipRequest& request, Page& page, ZipOutcome& outcome, std::wstring& source) {
    if (request.sourceFileList.empty()) return {status::NoSource};
    std::optional<std::wstring> mapped = mapSourceList(request.sourceFileList, page, request.sourceWithinSite);
    source = mapped.value_or(L"");
    outcome.mappedSource = source;
    if (!mapped) return {status::NoSource, request.sourceFileList};
    return {};
}

// The archive's name and the download root, mapped to the physical root
// (ending in a backslash).
Stop checkTarget(const ZipRequest& request, const std::wstring& virtualRoot, Page& page, std::wstring& root) {
    // An empty root wins over a bad name: with both values empty the status is 24.
    if (virtualRoot.empty()) return {status::NoTargetRoot};
    if (request.zipFileName.empty()) return {status::NoTargetFile};
    // One file inside the new directory, whatever later reads the name, and
    // one that the web server will only ever hand out.
    if (!isDownloadName(request.zipFileName)) return {status::InvalidZipFileName, request.zipFileName};
    if (policy::mayBePhysical(virtualRoot)) return {status::TargetRootPhysical, virtualRoot};
    root = mapSoundPath(virtualRoot, page);
    if (root.empty()) return {status::TargetRootNotFound, virtualRoot};
    root = withTrailingBackslash(root);
    return {};
}

// The compression itself, under the busy flag, which is cleared on every
// way out and only ever removes the flag this call raised. Nothing when
// the machine is still busy after the administrator's wait.
std::optional<Stop> compressUnderFlag(const ZipRequest& request, Page& page, compressor::Request compression) {
    busy::BusyFlag flag(request.tempDirectory);
    if (busy::raiseWaiting(flag, std::chrono::seconds(request.busyWaitSeconds)) == busy::RaiseResult::Busy) {
        page.writeHtml(kBusy);
        return std::nullopt;
    }
    page.writeHtml(std::wstring(kProgress) + kLineBreak);
    compressor::beforeFaultEnd(busy::clearFlagsOfThisProcess);
    compressor::Outcome compressed = compressor::compress(compression, request.libraryFolder);
    flag.clear();
    return Stop{compressed.status, compressed.path, compressed.systemError};
}

}  // namespace

ZipOutcome runZipOperation(const ZipRequest& request, Page& page) {
    ZipOutcome outcome;
    // What the log names if a fault ends the call: what it was working on.
    std::wstring concerning = request.sourceFileList;
    try {
        page.writeHtml(kBanner);
        page.writeHtml(kCredit);
        std::wstring source;
        std::wstring virtualRoot = normalisedVirtualRoot(request.virtualTargetRoot);
        std::wstring root;
        HeldDirectory held;
        Stop stop = checkSource(request, page, outcome, source);
        if (!stop.stopped()) {
            concerning = virtualRoot;
            stop = checkTarget(request, virtualRoot, page, root);
        }
        // A password the page set was refused: zipping without it would hand
        // out unprotected what the page meant to protect.
        if (!stop.stopped() && request.passwordRefused) stop = {status::PasswordRefused};
        if (!stop.stopped()) {
            concerning = root;
            held = makeHeldDirectory(root);
            DWORD made = ::GetLastError();  // the creation's own error, before anything else runs
            if (held.name.empty()) stop = {status::CannotCreateDirectory, root, made};
        }
        if (!stop.stopped()) {
            std::wstring zipPath = root + held.name + L"\\" + request.zipFileName;
            concerning = zipPath;
            std::optional<Stop> compressed = compressUnderFlag(
                request, page,
                {source, zipPath, request.compressionRate, request.recurse, request.password, request.deleteOriginals});
            if (!compressed) {
                outcome.reportStatus = false;
                outcome.failure = Failure{kOperation, Failure::kNoStatus, L"Busy at present, please try again later.",
                                          request.tempDirectory, 0};
                return outcome;
            }
            stop = *compressed;
        }

        page.writeHtml(std::wstring(stop.stopped() ? kErrorLabel : L"") + status::statusMessage(stop.code) + L"<P>");
        finish(outcome, stop.code);
        if (stop.stopped()) {
            outcome.failure = statusFailure(kOperation, stop.code, stop.path, stop.systemError);
            return outcome;
        }
        outcome.downloadHref = downloadAddress(virtualRoot, held.name, request.zipFileName);
        page.writeHtml(downloadLinkHtml(outcome.downloadHref, request.zipFileName));
    } catch (...) {
        DWORD fault = currentExceptionCode();
        outcome.reportStatus = true;
        page.writeHtml(status::errorParagraph(status::DoZipGeneralError));
        finish(outcome, status::DoZipGeneralError);
        outcome.failure = faultFailure(kOperation, status::DoZipGeneralError, concerning, fault);
    }
    return outcome;
}

}  // namespace kb
