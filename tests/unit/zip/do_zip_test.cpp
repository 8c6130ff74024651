#include "zip/do_zip.h"

#include <gtest/gtest.h>

namespace kb {
namespace {

// Maps "/x" to C:\site\x, and "/gone" to nothing.
class FakePage : public Page {
public:
    void writeHtml(const std::wstring&) override {}
    std::wstring mapPath(const std::wstring& path) override {
        mapped += path + L"|";
        if (path == L"/gone") return {};
        std::wstring physical = path == L"/" ? L"C:\\site\\" : L"C:\\site" + path;
        for (auto& c : physical) {
            if (c == L'/') c = L'\\';
        }
        return physical;
    }
    std::wstring mapped;
};

TEST(ZipOperation, SourceListsAreMappedItemByItem) {
    struct Case {
        const wchar_t* sourceList;
        std::optional<std::wstring> mapped;
        bool withinSite = false;
    } cases[] = {
        {L"/a.txt", L"C:\\site\\a.txt"},
        {L"/with space/a.txt", L"\"C:\\site\\with space\\a.txt\""},
        {L"/a.txt|/b.txt", L"C:\\site\\a.txt|C:\\site\\b.txt"},
        {L"/a.txt|/etc/hostname", L"C:\\site\\a.txt|C:\\site\\etc\\hostname"},
        {L"C:\\data\\*.txt|/b.txt", L"C:\\data\\*.txt|C:\\site\\b.txt"},
        // A quoted "|" stays inside its item on the way to the library.
        {L"\"/a|b.txt\"", L"\"C:\\site\\a|b.txt\""},
        // Physical only, or not a list at all: left exactly as it was.
        {L"C:\\my docs\\*.txt", L"C:\\my docs\\*.txt"},
        {L"\"/unbalanced", L"\"/unbalanced"},
        {L"/a.txt|/gone", std::nullopt},
        // Segments the system would read as others are never mapped.
        {L"/.../.../outside/secret.txt", std::nullopt},
        {L"/a.txt|/files./b.txt", std::nullopt},
        {L"\"/files/a.txt \"", std::nullopt},
        // With only paths of the site allowed, every item stays inside it
        // once its full path is resolved, physical items included.
        {L"/a.txt|C:\\site\\b.txt", L"C:\\site\\a.txt|C:\\site\\b.txt", true},
        {L"/a.txt|C:\\data\\b.txt", std::nullopt, true},
        {L"C:\\site\\..\\x.txt", std::nullopt, true},
        {L"C:\\sitex\\a.txt", std::nullopt, true},
    };
    for (const auto& c : cases) {
        FakePage page;
        EXPECT_EQ(mapSourceList(c.sourceList, page, c.withinSite), c.mapped) << testing::PrintToString(std::wstring(c.sourceList));
    }
}

TEST(ZipOperation, DownloadAddresses) {
    EXPECT_EQ(normalisedVirtualRoot(L"//downloads"), L"/downloads");
    EXPECT_EQ(normalisedVirtualRoot(L"///"), L"/");
    EXPECT_EQ(normalisedVirtualRoot(L"dl"), L"dl");
    EXPECT_EQ(downloadAddress(L"/", L"CL1", L"z.zip"), L"/CL1/z.zip");
    EXPECT_EQ(downloadAddress(L"/dl/", L"CL1", L"z.zip"), L"/dl//CL1/z.zip");  // inherited quirk: the doubled slash stays
    EXPECT_EQ(downloadAddress(L"dl", L"CL1", L"z.zip"), L"dl/CL1/z.zip");
    EXPECT_EQ(downloadLinkHtml(L"/dl/a&b.zip", L"a&b.zip"),
              L"The file <B><A HREF=\"/dl/a&amp;b.zip\">a&amp;b.zip</A></B> is ready to collect.<P>");
}

}  // namespace
}  // namespace kb
