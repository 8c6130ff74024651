#include "zip/do_zip.h"

#include "common/file_names.h"
#include "common/source_spec.h"
#include "common/text.h"
#include "compressor/run_compressor.h"
#include "page/site_paths.h"
#include "policy/policy_switches.h"
#include "status/status_messages.h"
#include "zip/busy_flag.h"
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

std::optional<std::wstring> mapSourceList(const std::wstring& spec, Page& page, bool withinSite) {
    std::optional<std::vector<std::wstring>> items = parseSourceSpec(spec);
    // The library refuses what does not parse, with the same parser; nothing
    // of it is mapped.
    if (!items) return spec;
    auto isVirtual = [](const std::wstring& item) { return !contains(item, L':'); };
    bool anyVirtual = std::any_of(items->begin(), items->end(), isVirtual);
    std::wstring site = withinSite ? siteFolder(page) : std::wstring();
    for (auto& item : *items) {
        if (isVirtual(item)) {
            item = mapSoundPath(item, page);
            if (item.empty()) return std::nullopt;
        }
        // Physical items too: a list mapped by an earlier call is physical now.
        if (withinSite && !liesWithinSite(item, site)) return std::nullopt;
    }
    return anyVirtual ? joinSourceSpec(*items) : spec;
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

ZipOutcome runZipOperation(const ZipRequest& request, Page& page) {
    ZipOutcome outcome;
    // What the log names beside the status: the path in question and the
    // system's reason, set where each check fails.
    std::wstring failedPath;
    DWORD systemError = 0;
    try {
        int16_t code = status::Success;
        page.writeHtml(kBanner);
        page.writeHtml(kCredit);

        // The source: each item without ":" is a path of the web site,
        // mapped and quoted when the physical path holds a blank.
        std::wstring source = request.sourceFileList;
        if (source.empty()) code = status::NoSource;
        if (code == status::Success) {
            std::optional<std::wstring> mapped = mapSourceList(source, page, request.sourceWithinSite);
            source = mapped.value_or(L"");
            outcome.mappedSource = source;
            if (!mapped) {
                code = status::NoSource;
                failedPath = request.sourceFileList;
            }
        }

        std::wstring virtualRoot = normalisedVirtualRoot(request.virtualTargetRoot);
        std::wstring root;
        HeldDirectory held;
        const std::wstring& directory = held.name;
        if (code == status::Success) {
            if (request.zipFileName.empty()) {
                code = status::NoTargetFile;
            } else if (!isDownloadName(request.zipFileName)) {
                // One file inside the new directory, whatever later reads the
                // name, and one that the web server will only ever hand out.
                code = status::InvalidZipFileName;
                failedPath = request.zipFileName;
            }
            // Runs even after a failed name check: with both values empty the status is 24.
            if (virtualRoot.empty()) code = status::NoTargetRoot;
            if (code == status::Success && policy::isPhysicalPath(virtualRoot)) code = status::TargetRootPhysical;
            if (code == status::Success) {
                root = mapSoundPath(virtualRoot, page);
                if (root.empty()) code = status::TargetRootNotFound;
            }
            if (code == status::TargetRootPhysical || code == status::TargetRootNotFound) failedPath = virtualRoot;
            // A password the page set was refused: zipping without it would
            // hand out unprotected what the page meant to protect.
            if (code == status::Success && request.passwordRefused) code = status::PasswordRefused;
            if (code == status::Success) {
                root = withTrailingBackslash(root);
                held = makeHeldDirectory(root);
                if (directory.empty()) {
                    // Still the directory creation's own error: nothing since has failed.
                    systemError = ::GetLastError();
                    code = status::CannotCreateDirectory;
                    failedPath = root;
                }
            }
        }

        if (code == status::Success) {
            // The flag is cleared by its destructor on the way out of a
            // fault too, and it only ever removes the flag it raised.
            busy::BusyFlag flag(request.tempDirectory);
            if (flag.tryRaise() == busy::RaiseResult::Busy) {
                page.writeHtml(kBusy);
                outcome.reportStatus = false;
                outcome.failure = Failure{kOperation, Failure::kNoStatus, L"Busy at present, please try again later.",
                                          request.tempDirectory, 0};
                return outcome;
            }
            page.writeHtml(std::wstring(kProgress) + kLineBreak);
            compressor::Request compression{source,
                                            root + directory + L"\\" + request.zipFileName,
                                            request.compressionRate,
                                            request.recurse,
                                            request.password,
                                            request.deleteOriginals};
            compressor::Outcome compressed = compressor::compress(compression, request.libraryFolder);
            code = compressed.status;
            failedPath = compressed.path;
            systemError = compressed.systemError;
            flag.clear();
        }

        std::wstring label = code == status::Success ? L"" : kErrorLabel;
        page.writeHtml(label + status::statusMessage(code) + L"<P>");
        if (code == status::Success) {
            outcome.downloadHref = downloadAddress(virtualRoot, directory, request.zipFileName);
            page.writeHtml(downloadLinkHtml(outcome.downloadHref, request.zipFileName));
        }
        finish(outcome, code);
        if (code != status::Success) outcome.failure = statusFailure(kOperation, code, failedPath, systemError);
    } catch (...) {
        DWORD fault = currentExceptionCode();
        outcome.reportStatus = true;
        page.writeHtml(status::errorParagraph(status::DoZipGeneralError));
        finish(outcome, status::DoZipGeneralError);
        outcome.failure = faultFailure(kOperation, status::DoZipGeneralError, failedPath, fault);
    }
    return outcome;
}

}  // namespace kb
