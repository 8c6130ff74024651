// Virtual paths: MapPath's rules and the checks on request paths.
#include "paths/virtual_path.h"

#include <gtest/gtest.h>

namespace asphost {
namespace {

TEST(VirtualPath, ResolvesAgainstThePage) {
    struct Case {
        const wchar_t* page;
        const wchar_t* path;
        std::optional<std::wstring> expected;
    };
    const Case cases[] = {
        {L"/a/b.asp", L"c.txt", L"/a/c.txt"},
        {L"/a/b.asp", L"/c.txt", L"/c.txt"},
        {L"/a/b.asp", L"", L"/a/"},
        {L"/a/b.asp", L"/", L"/"},
        {L"/a/b.asp", L"../c/", L"/c/"},
        {L"/a/b.asp", L"..", L"/"},
        {L"/a/b.asp", L"x\\y\\*.txt", L"/a/x/y/*.txt"},
        {L"/a/b.asp", L"./x//y/.", L"/a/x/y/"},
        {L"/a/b.asp", L"../..", std::nullopt},
        {L"/b.asp", L"../x", std::nullopt},
        {L"/b.asp", L"/x/../../y", std::nullopt},
        {L"/b.asp", L"\\..\\y", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolveVirtualPath(c.page, c.path), c.expected) << c.page << L" " << c.path;
    }
}

TEST(VirtualPath, PhysicalPaths) {
    EXPECT_EQ(physicalPath(L"C:\\site\\", L"/"), L"C:\\site");
    EXPECT_EQ(physicalPath(L"C:\\site", L"/a/b.txt"), L"C:\\site\\a\\b.txt");
    EXPECT_EQ(physicalPath(L"C:\\site", L"/a/"), L"C:\\site\\a\\");
}

TEST(VirtualPath, RequestPathsThatMustBeRefused) {
    const wchar_t* refused[] = {
        L"/../x", L"/a/../../x", L"/page.asp.", L"/page.asp ", L"/page.asp::$DATA", L"/C:/x",
        L"/a\\b", L"/con", L"/x/NUL.txt", L"/com1", L"/a\x01", L"relative", L"",
    };
    for (const wchar_t* path : refused) EXPECT_FALSE(safeRequestPath(path)) << path;
    EXPECT_EQ(safeRequestPath(L"/a/./b/../c.zip"), L"/a/c.zip");
    EXPECT_EQ(safeRequestPath(L"/console.txt"), L"/console.txt");
    EXPECT_EQ(safeRequestPath(L"/com10"), L"/com10");
}

TEST(VirtualPath, Extensions) {
    EXPECT_EQ(extensionOf(L"/a.b/Page.ASP"), L".asp");
    EXPECT_EQ(extensionOf(L"/a.b/noext"), L"");
}

}  // namespace
}  // namespace asphost
