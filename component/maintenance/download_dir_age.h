// Which download directories are ours and when they are due for removal.
// Only the name counts: "CL", then the creation date as yyyyMMdd.
#pragma once

#include <optional>
#include <string_view>

namespace kb {

struct CalendarDate {
    int year = 0, month = 0, day = 0;
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

bool isValidDate(const CalendarDate& date);
// Days since 1970-01-01 on the proleptic Gregorian calendar.
long daysFromCivil(const CalendarDate& date);

// The date of a download directory name in the full form the component
// makes: "CL" (upper case), the date as yyyyMMdd, "-", the time as hhmmss,
// "-", and a number from -1 to 9999 without leading zeros. Anything else,
// "CL20200101_my_archive" say, is not one of ours and is never removed.
std::optional<CalendarDate> downloadDirectoryDate(std::wstring_view name);

// Due when today is at least daysOld calendar days after the directory's
// date. A date after today is never due.
bool isDue(const CalendarDate& directoryDate, const CalendarDate& today, int daysOld);

}  // namespace kb
