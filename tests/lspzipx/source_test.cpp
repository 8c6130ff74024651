#include "base/library_codes.h"
#include "common/source_list.h"
#include "source/name_selection.h"
#include "source/stored_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace lsz {
namespace {

using Items = std::vector<std::wstring>;

TEST(SourceList, ParsesItems) {
    struct Case {
        const wchar_t* list;
        std::optional<Items> items;
    } cases[] = {
        {L"C:\\a\\*.txt", Items{L"C:\\a\\*.txt"}},
        {L"C:\\a\\x.txt|C:\\b\\*.*", Items{L"C:\\a\\x.txt", L"C:\\b\\*.*"}},
        {L"  C:\\a\\x.txt  |  C:\\b\\y.txt ", Items{L"C:\\a\\x.txt", L"C:\\b\\y.txt"}},
        {L"\"C:\\my docs\\*.txt\"", Items{L"C:\\my docs\\*.txt"}},
        {L"\"C:\\my docs\\a b.txt\"|C:\\c.txt", Items{L"C:\\my docs\\a b.txt", L"C:\\c.txt"}},
        {L"C:\\my docs\\x.txt", Items{L"C:\\my docs\\x.txt"}},  // unquoted inner blanks stay
        {L"\" lead.txt\"", Items{L" lead.txt"}},                // quoted blanks are part of the name
        {L"a.txt||b.txt|", Items{L"a.txt", L"b.txt"}},         // empty items are skipped
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {L"|", std::nullopt},
        {L"\"\"", std::nullopt},
        {L"\"C:\\a\\x.txt", std::nullopt},
        {L"C:\\a\\x.txt|\"C:\\b", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kb::parseSourceList(c.list), c.items) << "list: " << testing::PrintToString(std::wstring(c.list));
    }
}

TEST(SourceList, JoinedItemsParseBackUnchanged) {
    // A "|" inside a name must not become a second item on the way back.
    for (const Items& items : {Items{L"C:\\a\\x.txt"}, Items{L"C:\\my docs\\a b.txt", L"C:\\c.txt"},
                               Items{L" lead.txt", L"tab\there.txt"}, Items{L"C:\\a|b.txt", L"rel.txt"}}) {
        EXPECT_EQ(kb::parseSourceList(kb::joinSourceList(items)), std::optional<Items>(items));
    }
    EXPECT_EQ(kb::joinSourceList({L"C:\\a.txt", L"C:\\b c.txt"}), L"C:\\a.txt|\"C:\\b c.txt\"");
}

TEST(StoredNames, AreUtf8WithForwardSlashes) {
    EXPECT_EQ(zipEntryName(L"a\\b\\c.txt"), "a/b/c.txt");
    EXPECT_EQ(zipEntryName(L"caf\u00e9.txt"), "caf\xc3\xa9.txt");
    EXPECT_EQ(zipEntryName(L"\u65e5\u672c\\x"), "\xe6\x97\xa5\xe6\x9c\xac/x");
    EXPECT_TRUE(isAscii("a/b.txt"));
    EXPECT_FALSE(isAscii("caf\xc3\xa9"));
    // A lone surrogate has no UTF-8 form; storing a substitute would rename the file.
    EXPECT_ANY_THROW(zipEntryName(std::wstring(L"bad") + wchar_t(0xD800)));
}

TEST(StoredNames, StayBelowTheFolderTheyAreExtractedTo) {
    for (const wchar_t* name : {L"..", L"..\\x", L"a\\..\\..\\x", L"a\\..", L".\\x", L"\\abs.txt", L"\\\\server\\x",
                                L"a\\\\b", L"a\\", L"C:x.txt", L"C:\\x.txt", L"a\\c:d", L"a/../../x", L"/abs", L"bell\x07", L""}) {
        EXPECT_THROW(zipEntryName(name), LibError) << testing::PrintToString(std::wstring(name));
    }
    // Dots that are part of a name are no step up.
    for (const wchar_t* name : {L"..x", L"x..", L"...", L"a..b\\c", L"rep.", L"rep "}) {
        EXPECT_NO_THROW(zipEntryName(name)) << testing::PrintToString(std::wstring(name));
    }
}

TEST(NameSelection, PatternsAsZipMatchesThem) {
    struct Case {
        const wchar_t* pattern;
        const wchar_t* name;
        bool matches;
    } cases[] = {
        {L"*.bin", L"deep/inner/f.bin", true},  // * spans folders
        {L"deep/*", L"deep/inner/", true},      {L"deep/*", L"deep", false},
        {L"DEEP\\*.TXT", L"deep/c.txt", true},  // case and separators do not count
        {L"?.txt", L"a.txt", true},             {L"?.txt", L"ab.txt", false},
        {L"[ab].*", L"b.bin", true},            {L"[!ab].*", L"b.bin", false},
        {L"[a-c]x", L"Bx", true},               {L"a[1].txt", L"a1.txt", true},
        {L"a[.txt", L"a[.txt", true},           // an open set is a plain "["
        {L"*a*b*c*", L"xxaxxbxxcxx", true},     {L"*a*b*c*", L"aaaaaaaaaaaaaaaaaaaaaaaaaaaab", false},
        {L"", L"", true},                       {L"*", L"", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matchesPattern(c.pattern, c.name), c.matches) << testing::PrintToString(std::wstring(c.pattern))
                                                                  << " " << testing::PrintToString(std::wstring(c.name));
    }
    const std::pair<std::pair<const wchar_t*, bool>, const wchar_t*> prefixes[] = {
        {{L"tree", true}, L"tree"},           {{L"C:\\data\\tree\\", true}, L"data/tree"},
        {{L".\\tree\\*.txt", false}, L"tree"}, {{L"..\\..\\x\\a.txt", false}, L"x"},
        {{L"\\\\srv\\share\\d", true}, L"d"},  {{L"\\\\?\\C:\\d\\a.txt", false}, L"d"},
        {{L"a.txt", false}, L""},
    };
    for (const auto& [item, prefix] : prefixes) {
        EXPECT_EQ(typedPrefix(item.first, item.second), prefix) << testing::PrintToString(std::wstring(item.first));
    }
    NameSelection selection({L"tree/deep/*"}, {L"*.bin"});
    EXPECT_TRUE(selection.takes(L"deep/c.txt", L"tree/deep/c.txt"));
    EXPECT_FALSE(selection.takes(L"deep/f.bin", L"tree/deep/f.bin"));  // -x wins
    EXPECT_FALSE(selection.takes(L"a.txt", L"tree/a.txt"));
}

}  // namespace
}  // namespace lsz
