#include "policy/busy_wait_setting.h"
#include "policy/policy_switches.h"

#include <gtest/gtest.h>

namespace kb::policy {
namespace {

TEST(BusyWaitSetting, SecondsFromZeroToSixtyAndNothingElse) {
    using K = MachineValue::Kind;
    const std::pair<MachineValue, std::optional<int>> cases[] = {
        {{K::Number, L"", 10, REG_DWORD}, 10},
        {{K::Number, L"", 60, REG_QWORD}, 60},
        {{K::String, L"10", 0, REG_SZ}, 10},
        {{K::String, L"060", 0, REG_SZ}, 60},
        {{K::String, L"", 0, REG_SZ}, 0},
        // Not understood, so no wait: not clamped to the longest.
        {{K::Number, L"", 61, REG_DWORD}, std::nullopt},
        {{K::Number, L"", 0xFFFFFFFFull, REG_DWORD}, std::nullopt},  // -1 typed into a DWORD
        {{K::String, L"5000", 0, REG_SZ}, std::nullopt},
        {{K::String, L"99999999999999999999", 0, REG_SZ}, std::nullopt},
        {{K::String, L" 10", 0, REG_SZ}, std::nullopt},
        {{K::Other, L"", 0, REG_BINARY}, std::nullopt},
    };
    for (const auto& [value, seconds] : cases) {
        EXPECT_EQ(readBusyWait(value), seconds) << testing::PrintToString(describeSetting(value));
    }
}

}  // namespace
}  // namespace kb::policy
