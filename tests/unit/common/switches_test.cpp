#include "common/switches.h"

#include <gtest/gtest.h>

#include <utility>

namespace kb {
namespace {

TEST(Switches, OnlyTheExactOneIsOn) {
    EXPECT_TRUE(isOnSetting(L"1"));
    for (const wchar_t* off : {L"", L"0", L"01", L"1 ", L" 1", L"yes", L"true", L"11", L"-1"}) {
        EXPECT_FALSE(isOnSetting(off)) << off;
    }
}

TEST(Switches, ANumberOneIsOnAndOddValuesFailSafe) {
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

}  // namespace
}  // namespace kb
