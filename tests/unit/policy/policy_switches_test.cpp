#include "policy/policy_switches.h"

#include <gtest/gtest.h>

namespace kb::policy {
namespace {

TEST(PolicySwitches, OnlyTheExactOneIsOn) {
    EXPECT_TRUE(isOnSetting(L"1"));
    for (const wchar_t* off : {L"", L"0", L"01", L"1 ", L" 1", L"yes", L"true", L"11", L"-1"}) {
        EXPECT_FALSE(isOnSetting(off)) << off;
    }
}

TEST(PolicySwitches, ANumberOneIsOnAndOddValuesFailSafe) {
    using K = MachineValue::Kind;
    const std::pair<MachineValue, Reading> cases[] = {
        {{K::String, L"1", 0, REG_SZ}, Reading::On},
        {{K::Number, L"", 1, REG_DWORD}, Reading::On},
        {{K::Number, L"", 1, REG_QWORD}, Reading::On},
        {{K::String, L"", 0, REG_SZ}, Reading::Off},
        {{K::String, L"0", 0, REG_SZ}, Reading::Off},
        {{K::Number, L"", 0, REG_DWORD}, Reading::Off},
        {{K::String, L"yes", 0, REG_SZ}, Reading::NotUnderstood},
        {{K::String, L"01", 0, REG_SZ}, Reading::NotUnderstood},
        {{K::Number, L"", 2, REG_DWORD}, Reading::NotUnderstood},
        {{K::Number, L"", 0x100000001ull, REG_QWORD}, Reading::NotUnderstood},
        {{K::Other, L"", 0, REG_BINARY}, Reading::NotUnderstood},
    };
    for (const auto& [value, reading] : cases) {
        EXPECT_EQ(readSetting(value), reading) << testing::PrintToString(describeSetting(value));
    }
    EXPECT_EQ(describeSetting({K::Number, L"", 2, REG_DWORD}), L"REG_DWORD 2");
}

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
