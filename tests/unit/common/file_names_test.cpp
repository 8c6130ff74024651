#include "common/file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace kb {
namespace {

TEST(FileNames, OnlyPlainNamesOfOneFile) {
    for (const wchar_t* good : {L"out.zip", L"report", L"tom & jerry's.zip", L"caf\u00e9.zip", L"\u65e5.zip",
                                L".hidden.zip", L"a..b.zip", L"CONSOLE.zip", L"COM0.zip", L"LPT10.zip"}) {
        EXPECT_TRUE(isPlainFileName(good)) << testing::PrintToString(std::wstring(good));
    }
    const std::wstring bad[] = {
        L"", L".", L"..", L"a\\b.zip", L"a/b.zip", L"C:b.zip", L"evil.asp:stream", L"x*.zip", L"x?.zip",
        L"a\"b.zip", L"a<b.zip", L"a>b.zip", L"a|b.zip",
        // What a best-fit conversion turns into "\", "/" or ":".
        L"..\uff3cevil.asp", L"..\uff0fevil.asp", L"..\u2215evil.asp", L"..\u2216evil.asp", L"evil\uff1azip",
        L"a\u2044b.zip", L"a\u2236b.zip",
        // Control characters, the NUL among them.
        std::wstring(L"evil2.asp") + L'\0' + L".zip", L"tab\t.zip", L"del\x7f.zip", L"c1\x85.zip",
        // Windows drops these, or opens a device.
        L"page.asp.", L"page.asp ", L"CON", L"con.zip", L"NUL.txt", L"aux", L"COM1.zip", L"lpt9", L"COM\u00b9.zip",
        L"CON .zip", L"CONIN$", L"conout$.zip"};
    for (const std::wstring& name : bad) EXPECT_FALSE(isPlainFileName(name)) << testing::PrintToString(name);
}

TEST(FileNames, DownloadNamesAreNeitherRunNorRenderedNorHidden) {
    for (const wchar_t* good : {L"report.zip", L"data.tar", L"report", L"photos.jpg", L"a.asp.zip", L"notes.txt",
                                L"x.aspz", L"x.php5.zip"}) {
        EXPECT_TRUE(isDownloadName(good)) << testing::PrintToString(std::wstring(good));
    }
    for (const wchar_t* bad : {L"evil.asp", L"EVIL.ASP", L"x.aspx", L"web.config", L"page.shtml", L"x.php",
                               L"x.svg", L"x.html", L"x.js", L"x.hta", L"x.mht", L"x.exe", L"x.cer",
                               L"evil.asp;.zip", L".zip", L".hidden.zip", L"dot.", L"a/b.zip"}) {
        EXPECT_FALSE(isDownloadName(bad)) << testing::PrintToString(std::wstring(bad));
    }
    for (size_t i = 0; i < kActiveContentExtensionCount; ++i) {
        EXPECT_FALSE(isDownloadName(std::wstring(L"x.") + kActiveContentExtensions[i])) << i;
    }
}

TEST(FileNames, PathSegmentsThatResolveAsWritten) {
    for (const wchar_t* good : {L"/files/a.txt", L"files/a.b.txt", L"/", L"", L"/dl//x/", L"/.well/a", L"C:\\a\\b"}) {
        EXPECT_TRUE(hasPlainSegments(good)) << testing::PrintToString(std::wstring(good));
    }
    for (const wchar_t* bad : {L"/.../.../outside/secret.txt", L"/files/../x", L"/./x", L"/files./a.txt",
                               L"/files /a.txt", L"/files/a.txt ", L"..", L"a\\...\\b", L"/x/...."}) {
        EXPECT_FALSE(hasPlainSegments(bad)) << testing::PrintToString(std::wstring(bad));
    }
}

TEST(FileNames, PathSyntaxInAListedName) {
    // Only what no open can take as part of one name; the rest of what
    // isPlainFileName refuses can still be opened as itself.
    for (const wchar_t* name : {L"a\\b", L"\\lead", L"a/b", L"c:x", L"x:", L"bell\x07", L"c1\x85"}) {
        EXPECT_TRUE(holdsPathSyntax(name)) << testing::PrintToString(std::wstring(name));
    }
    for (const wchar_t* name : {L"rep.", L"rep ", L"nul.txt", L"COM1", L"a*b", L"..\uff3cx", L"caf\u00e9"}) {
        EXPECT_FALSE(holdsPathSyntax(name)) << testing::PrintToString(std::wstring(name));
    }
}

TEST(FileNames, TheLibrarysTemporaryArchives) {
    EXPECT_EQ(archiveTemporaryName(L"out.zip", 0x0badcafe), L".out.zip.0badcafe.tmp");
    EXPECT_TRUE(isArchiveTemporaryName(archiveTemporaryName(L"x", 0xffffffff)));
    for (const wchar_t* other : {L".out.zip.0BADCAFE.tmp", L"out.zip.0badcafe.tmp", L".out.zip.0badcaf.tmp",
                                 L"..0badcafe.tmp", L".keep", L".out.zip.0badcafe.tmpx"}) {
        EXPECT_FALSE(isArchiveTemporaryName(other)) << testing::PrintToString(std::wstring(other));
    }
}

}  // namespace
}  // namespace kb
