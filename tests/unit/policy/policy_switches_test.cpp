#include "policy/policy_switches.h"

#include <gtest/gtest.h>

namespace kb::policy {
namespace {

TEST(PolicySwitches, PathRefusal) {
    EXPECT_TRUE(refusesPath(true, L"C:\\files\\*.*"));
    EXPECT_TRUE(refusesPath(true, L"files\\a.txt"));
    EXPECT_TRUE(refusesPath(true, L"x:"));
    EXPECT_FALSE(refusesPath(true, L"/site/files/a.txt"));
    EXPECT_FALSE(refusesPath(true, L""));
    EXPECT_FALSE(refusesPath(false, L"C:\\files"));
}

TEST(PolicySwitches, OptionRefusalForAnyTrue) {
    EXPECT_TRUE(refusesOption(true, VARIANT_TRUE));
    EXPECT_FALSE(refusesOption(true, VARIANT_FALSE));
    EXPECT_TRUE(refusesOption(true, 1));  // a native caller's true is any non-zero value
    EXPECT_FALSE(refusesOption(false, VARIANT_TRUE));
}

TEST(PolicySwitches, ListPatternsStayInTheListedFolder) {
    for (const wchar_t* pattern : {L"..\\..\\*", L"../*", L"sub/*.txt", L"C:*", L"..", L"a..b*", L"...", L"*.txt "}) {
        EXPECT_TRUE(refusesListPattern(true, pattern)) << pattern;
        EXPECT_FALSE(refusesListPattern(false, pattern)) << pattern;
    }
    EXPECT_FALSE(refusesListPattern(true, L"*.zip"));
    EXPECT_FALSE(refusesListPattern(true, L"a.b?c"));
}

TEST(PolicySwitches, NamesAndParagraphs) {
    EXPECT_STREQ(switchName(Switch::DisableIncludeSubdirectoryFiles), L"DisableIncludeSubdirectoryFiles");
    EXPECT_STREQ(refusalParagraph(Switch::AllowVirtualFileListOnly),
                 L"<P><B>Error:</B> Permission to list files from a physical path denied.</P>");
}

}  // namespace
}  // namespace kb::policy
