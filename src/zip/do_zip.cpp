#include "zip/do_zip.h"

#include "common/text.h"
#include "compressor/run_compressor.h"
#include "policy/policy_switches.h"
#include "status/status_messages.h"
#include "zip/busy_flag.h"
#include "zip/unique_directory.h"

#include <cstdlib>

namespace kb {

namespace {

constexpr wchar_t kBanner[] = L"<P><B>Crateload 2 Compression Component</B><BR>";
constexpr wchar_t kCredit[] = L"Compression by the lspzipx library.<BR>";
constexpr wchar_t kBusy[] = L"<P><B>Busy at present, please try again later.</B></P>";
constexpr wchar_t kProgress[] = L"Creating zip file, please wait ...<BR>";
constexpr wchar_t kErrorLabel[] = L"<B>ERROR:</B> ";

ZipOutcome finish(int16_t code) {
    int number = std::abs(static_cast<int>(code));
    return {code == status::Success, true, number, status::statusMessage(code)};
}

}  // namespace

bool isBareFileName(std::wstring_view name) {
    return name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring_view::npos;
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

ZipOutcome runZipOperation(ComponentState& state, Page& page) {
    try {
        state.zipfileDownloadHref.clear();
        int16_t code = status::Success;
        page.writeHtml(kBanner);
        page.writeHtml(kCredit);

        // The source: a specification without ":" is a path of the web site,
        // mapped in place and quoted when the physical path holds a blank.
        if (state.sourceFileList.empty()) code = status::NoSource;
        if (code == status::Success && !contains(state.sourceFileList, L':')) {
            state.sourceFileList = page.mapPath(state.sourceFileList);
            if (state.sourceFileList.empty()) {
                code = status::NoSource;
            } else if (contains(state.sourceFileList, L' ')) {
                state.sourceFileList = L"\"" + state.sourceFileList + L"\"";
            }
        }

        std::wstring root;
        std::wstring directory;
        if (code == status::Success) {
            if (state.zipFileName.empty()) {
                code = status::NoTargetFile;
            } else if (!isBareFileName(state.zipFileName)) {
                code = status::InvalidZipFileName;
            }
            // Runs even after a failed name check: with both values empty the status is 24.
            if (state.virtualTargetRoot.empty()) code = status::NoTargetRoot;
            if (code == status::Success && policy::isPhysicalPath(state.virtualTargetRoot)) {
                code = status::TargetRootPhysical;
            }
            if (code == status::Success) {
                root = page.mapPath(state.virtualTargetRoot);
                if (root.empty()) code = status::TargetRootNotFound;
            }
            if (code == status::Success) {
                root = withTrailingBackslash(root);
                directory = makeUniqueDirectory(root);
                if (directory.empty()) code = status::CannotCreateDirectory;
            }
        }

        if (code == status::Success) {
            // The flag is cleared by its destructor on the way out of a
            // fault too, and it only ever removes the flag it raised.
            busy::BusyFlag flag(state.tempDirectory);
            if (flag.tryRaise() == busy::RaiseResult::Busy) {
                page.writeHtml(kBusy);
                return {false, false, 0, {}};
            }
            page.writeHtml(std::wstring(kProgress) + kLineBreak);
            compressor::Request request{state.sourceFileList,
                                        root + directory + L"\\" + state.zipFileName,
                                        state.compressionRate,
                                        state.recurseDirs != VARIANT_FALSE,
                                        state.encryptString,
                                        state.deleteOriginalFiles != VARIANT_FALSE};
            code = compressor::runCompressor(request);
            flag.clear();
        }

        std::wstring label = code == status::Success ? L"" : kErrorLabel;
        page.writeHtml(label + status::statusMessage(code) + L"<P>");
        if (code == status::Success) {
            state.zipfileDownloadHref = downloadAddress(state.virtualTargetRoot, directory, state.zipFileName);
            page.writeHtml(downloadLinkHtml(state.zipfileDownloadHref, state.zipFileName));
        }
        return finish(code);
    } catch (...) {
        page.writeHtml(status::errorParagraph(status::DoZipGeneralError));
        return finish(status::DoZipGeneralError);
    }
}

}  // namespace kb
