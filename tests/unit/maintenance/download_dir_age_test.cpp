#include "maintenance/download_dir_age.h"

#include <gtest/gtest.h>

namespace kb {
namespace {

TEST(DownloadDirAge, CalendarDaysAcrossMonthsYearsAndLeapDays) {
    struct Case {
        CalendarDate directory, today;
        int days;
        bool due;
    };
    const Case cases[] = {
        {{2026, 12, 5}, {2026, 12, 7}, 2, true},
        {{2026, 12, 6}, {2026, 12, 7}, 2, false},
        // The yyyyMMdd numbers jump at a month's end; the calendar does not.
        {{2026, 11, 30}, {2026, 12, 1}, 2, false},
        {{2026, 11, 30}, {2026, 12, 2}, 2, true},
        {{2026, 1, 31}, {2026, 2, 1}, 30, false},
        {{2026, 1, 31}, {2026, 3, 2}, 30, true},
        {{2026, 12, 31}, {2027, 1, 1}, 2, false},
        {{2026, 12, 31}, {2027, 1, 2}, 2, true},
        {{2028, 2, 28}, {2028, 3, 1}, 2, true},  // 2028 has a 29 February
        {{2027, 2, 28}, {2027, 3, 1}, 2, false},
        {{2026, 12, 7}, {2026, 12, 7}, 0, true},
        {{2026, 12, 8}, {2026, 12, 7}, 0, false},  // a date after today is never due
        {{2030, 1, 1}, {2026, 12, 7}, 0, false},
        {{2000, 1, 1}, {2026, 12, 7}, 32767, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isDue(c.directory, c.today, c.days), c.due)
            << c.directory.year << "-" << c.directory.month << "-" << c.directory.day << " on " << c.today.year
            << "-" << c.today.month << "-" << c.today.day << " after " << c.days;
    }
}

TEST(DownloadDirAge, OnlyOurOwnNamesAreCandidates) {
    EXPECT_EQ(downloadDirectoryDate(L"CL20261205-101500-17"), (CalendarDate{2026, 12, 5}));
    EXPECT_EQ(downloadDirectoryDate(L"CL20261207-201521--1"), (CalendarDate{2026, 12, 7}));
    EXPECT_EQ(downloadDirectoryDate(L"CL20240229-235959-9999"), (CalendarDate{2024, 2, 29}));
    EXPECT_EQ(downloadDirectoryDate(L"CL20240229-000000-0"), (CalendarDate{2024, 2, 29}));
    for (const wchar_t* name : {L"cl20261205-101500-17", L"Cl20261205-101500-17", L"CL20200101", L"CL_archive_2020",
                                L"CL20261340-000000-1", L"CL20230229-000000-1", L"CL2026120-x", L"XCL20261205-1",
                                L"CL20240229x", L"CL20200101_my_archive", L"CL20200101-101500", L"CL20200101-101500-",
                                L"CL20200101-101500-017", L"CL20200101-101500-10000", L"CL20200101-246000-1",
                                L"CL20200101-101500--2", L"CL20200101-101500-1x", L"CL20200101-1015000-1"}) {
        EXPECT_FALSE(downloadDirectoryDate(name).has_value()) << name;
    }
}

}  // namespace
}  // namespace kb
