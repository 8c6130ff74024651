// asphost's page parser on any text, with includes that lead anywhere: it
// returns segments or a PageError, and never crashes or hangs.
#include "page/page_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The page is the input up to its first NUL; every include gets the rest.
class Files final : public asphost::SourceFiles {
public:
    Files(std::wstring page, std::wstring include) : page_(std::move(page)), include_(std::move(include)) {}
    std::wstring read(const std::wstring& virtualPath) override {
        if (virtualPath == L"/page.asp") return page_;
        if (virtualPath.find(L"missing") != std::wstring::npos) throw asphost::PageError({virtualPath, 0}, L"missing");
        return include_;
    }

private:
    std::wstring page_, include_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text(data, data + size);
    size_t nul = text.find(L'\0');
    Files files(text.substr(0, nul), nul == std::wstring::npos ? std::wstring() : text.substr(nul + 1));
    try {
        asphost::ParsedPage page = asphost::parsePage(L"/page.asp", files);
        for (const auto& segment : page.segments) {
            if (segment.pos.line < 1) std::abort();
        }
    } catch (const asphost::PageError&) {
    }
    return 0;
}
