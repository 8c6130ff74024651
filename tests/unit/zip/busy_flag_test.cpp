#include "zip/busy_flag.h"

#include "common/clock.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kb::busy {
namespace {

TEST(BusyFlag, FreshnessWindow) {
    struct Case {
        Stamp flag, now;
        bool fresh;
    };
    const Case cases[] = {
        {{10, 30}, {10, 30}, true},  {{10, 30}, {10, 35}, true},  {{10, 30}, {10, 36}, false},
        {{10, 30}, {10, 10}, true},  {{10, 30}, {11, 0}, true},   {{10, 30}, {11, 4}, true},
        {{10, 30}, {11, 5}, false},  {{10, 30}, {9, 59}, false},  {{10, 58}, {10, 0}, true},
        {{10, 58}, {10, 59}, true},  {{10, 58}, {11, 4}, true},   {{10, 58}, {11, 5}, false},
        {{23, 58}, {23, 59}, true},
        // The window carries over midnight like any other hour.
        {{23, 58}, {0, 2}, true},    {{23, 58}, {0, 4}, true},    {{23, 58}, {0, 5}, false},
        {{23, 0}, {0, 0}, true},     {{0, 6}, {23, 59}, false},
        // Stamped by a clock read a moment later, across the hour or the
        // day: fresh, not stale.
        {{11, 0}, {10, 59}, true},   {{11, 3}, {10, 58}, true},   {{11, 4}, {10, 58}, false},
        {{0, 0}, {23, 59}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isFresh(c.flag, c.now), c.fresh) << c.flag.hour << ":" << c.flag.minute << " at " << c.now.hour
                                                   << ":" << c.now.minute;
    }
}

TEST(BusyFlag, Names) {
    EXPECT_EQ(flagFileName({9, 5}), L"~cl0905.~cl");
    EXPECT_EQ(flagFileName({17, 42}), L"~cl1742.~cl");
    auto stamp = parseFlagName(L"~cl1742.~cl");
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->hour, 17);
    EXPECT_EQ(stamp->minute, 42);
    for (const wchar_t* bad : {L"~clabcd.~cl", L"~cl2460.~cl", L"~cl2500.~cl", L"~cl17.~cl", L"~cl1742.~cx", L""}) {
        EXPECT_FALSE(parseFlagName(bad)) << bad;
    }
}

TEST(BusyFlag, AgeIsSignedAroundTheDial) {
    EXPECT_EQ(ageInMinutes({10, 30}, {10, 35}), 5);
    EXPECT_EQ(ageInMinutes({23, 58}, {0, 2}), 4);
    EXPECT_EQ(ageInMinutes({0, 1}, {0, 0}), -1);  // stamped by a clock a minute ahead
}

Stamp minutesFromNow(int delta) {
    LocalTime t = localNow();
    int m = ((t.hour * 60 + t.minute + delta) % 1440 + 1440) % 1440;
    return {m / 60, m % 60};
}

TEST(BusyFlag, TestDeletesOnlyStaleFlags) {
    test::ScratchDir dir;
    std::wstring stale = flagFileName(minutesFromNow(-120));
    std::wstring fresh = flagFileName(minutesFromNow(-1));
    dir.makeFile(stale);
    dir.makeFile(fresh);
    dir.makeFile(L"~clabcd.~cl");

    BusyFlag flag(dir.path());
    EXPECT_TRUE(flag.isRaised());
    EXPECT_FALSE(dir.exists(stale));
    EXPECT_TRUE(dir.exists(fresh));
    EXPECT_TRUE(dir.exists(L"~clabcd.~cl"));  // not a flag: never deleted by a test
}

TEST(BusyFlag, MalformedAndStaleFlagsDoNotBlock) {
    test::ScratchDir dir;
    dir.makeFile(L"~clabcd.~cl");
    dir.makeFile(flagFileName(minutesFromNow(-90)));
    BusyFlag flag(dir.path());
    EXPECT_FALSE(flag.isRaised());
    EXPECT_EQ(flag.tryRaise(), RaiseResult::Raised);
}

TEST(BusyFlag, RaiseIsExclusiveAndClearRemovesOnlyItsOwn) {
    test::ScratchDir dir;
    BusyFlag first(dir.path());
    BusyFlag second(dir.path());
    ASSERT_EQ(first.tryRaise(), RaiseResult::Raised);
    EXPECT_EQ(second.tryRaise(), RaiseResult::Busy);
    EXPECT_TRUE(second.isRaised());

    // An older fresh flag raised by someone else survives our clear.
    std::wstring other = flagFileName(minutesFromNow(-3));
    dir.makeFile(other);
    first.clear();
    EXPECT_TRUE(dir.exists(other));
    EXPECT_TRUE(second.isRaised());
}

TEST(BusyFlag, ScopeEndClearsTheRaisedFlag) {
    test::ScratchDir dir;
    {
        BusyFlag flag(dir.path());
        ASSERT_EQ(flag.tryRaise(), RaiseResult::Raised);
    }
    EXPECT_FALSE(BusyFlag(dir.path()).isRaised());
}

// Two operations across a minute boundary: A tests at 10:00 and finds
// nothing, B raises its 10:01 flag and goes on, then A raises 10:00. A must
// step back, whatever the stamps say, since B cannot have seen A's flag.
TEST(BusyFlag, ARaiseThatMeetsAnotherFlagStepsBack) {
    test::ScratchDir dir;
    int reads = 0;
    BusyFlag a(dir.path(), [&] {
        if (++reads == 2) dir.makeFile(flagFileName({10, 1}));  // B, between A's test and A's re-test
        return Stamp{10, 0};
    });
    EXPECT_EQ(a.tryRaise(), RaiseResult::Busy);
    EXPECT_FALSE(dir.exists(flagFileName({10, 0})));
    EXPECT_TRUE(dir.exists(flagFileName({10, 1})));
}

TEST(BusyFlag, AFaultAfterRaisingRefusesRatherThanRunUnguarded) {
    test::ScratchDir dir;
    int reads = 0;
    BusyFlag flag(dir.path(), [&] {
        if (++reads == 2) throw std::runtime_error("clock");
        return Stamp{10, 0};
    });
    EXPECT_EQ(flag.tryRaise(), RaiseResult::Busy);
    EXPECT_FALSE(dir.exists(flagFileName({10, 0})));
}

TEST(BusyFlag, DirectoryThatCannotHoldAFlag) {
    test::ScratchDir dir;
    BusyFlag flag(dir / L"missing\\");
    EXPECT_FALSE(flag.isRaised());
    EXPECT_EQ(flag.tryRaise(), RaiseResult::Unflagged);
}

}  // namespace
}  // namespace kb::busy
