#include "maintenance/download_dir_age.h"

namespace kb {

namespace {

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

}  // namespace

bool isValidDate(const CalendarDate& d) {
    return d.year >= 1 && d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= daysInMonth(d.year, d.month);
}

long daysFromCivil(const CalendarDate& date) {
    // Howard Hinnant's days_from_civil.
    long y = date.year - (date.month <= 2 ? 1 : 0);
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long mp = (date.month + 9) % 12;
    long doy = (153 * mp + 2) / 5 + date.day - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::optional<CalendarDate> downloadDirectoryDate(std::wstring_view name) {
    if (name.size() <= 10 || name.substr(0, 2) != L"CL") return std::nullopt;
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        wchar_t c = name[2 + i];
        if (c < L'0' || c > L'9') return std::nullopt;
        digits[i] = c - L'0';
    }
    CalendarDate date{digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3], digits[4] * 10 + digits[5],
                      digits[6] * 10 + digits[7]};
    if (!isValidDate(date)) return std::nullopt;
    return date;
}

bool isDue(const CalendarDate& directoryDate, const CalendarDate& today, int daysOld) {
    long age = daysFromCivil(today) - daysFromCivil(directoryDate);
    return age >= 0 && age >= daysOld;
}

}  // namespace kb
