// Virtual paths: MapPath's rules and the checks on request paths.
#include "paths/virtual_path.h"

#include "common/file_names.h"

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
}

TEST(VirtualPath, RequestSegmentsFollowTheSharedNameRule) {
    // A segment passes exactly when the products' name rule takes it as a
    // plain file name: superscript device digits, the console's names, a blank
    // before the extension and a look-alike slash are refused; COM0 and LPT0
    // name no device.
    struct Case {
        const wchar_t* name;
        bool plain;
    };
    const Case cases[] = {
        {L"COM\u00b9", false}, {L"lpt\u00b3.txt", false}, {L"CONIN$", false}, {L"conout$.log", false},
        {L"CON .txt", false},   {L"a\uff0fb.asp", false},  {L"COM0", true},    {L"LPT0.txt", true},
        {L"com10", true},       {L"console.txt", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kb::isPlainFileName(c.name), c.plain) << c.name;
        EXPECT_EQ(safeRequestPath(std::wstring(L"/files/") + c.name).has_value(), c.plain) << c.name;
    }
}

TEST(VirtualPath, Extensions) {
    EXPECT_EQ(extensionOf(L"/a.b/Page.ASP"), L".asp");
    EXPECT_EQ(extensionOf(L"/a.b/noext"), L"");
}

}  // namespace
}  // namespace asphost
