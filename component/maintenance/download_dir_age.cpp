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

namespace {

// The number that count digits at the start of text form, or -1.
int number(std::wstring_view text, size_t count) {
    if (text.size() < count) return -1;
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return -1;
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

// -1, or 0 to 9999 without leading zeros.
bool isDirectoryNumber(std::wstring_view text) {
    if (text == L"-1" || text == L"0") return true;
    if (text.empty() || text.size() > 4 || text[0] == L'0') return false;
    return number(text, text.size()) > 0;
}

}  // namespace

std::optional<CalendarDate> downloadDirectoryDate(std::wstring_view name) {
    // CLyyyyMMdd-hhmmss-n, exactly as makeUniqueDirectory writes it.
    if (name.size() < 19 || name.substr(0, 2) != L"CL" || name[10] != L'-' || name[17] != L'-') return std::nullopt;
    int year = number(name.substr(2), 4), month = number(name.substr(6), 2), day = number(name.substr(8), 2);
    int hour = number(name.substr(11), 2), minute = number(name.substr(13), 2), second = number(name.substr(15), 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59 || !isDirectoryNumber(name.substr(18))) {
        return std::nullopt;
    }
    CalendarDate date{year, month, day};
    if (!isValidDate(date)) return std::nullopt;
    return date;
}

bool isDue(const CalendarDate& directoryDate, const CalendarDate& today, int daysOld) {
    long age = daysFromCivil(today) - daysFromCivil(directoryDate);
    return age >= 0 && age >= daysOld;
}

}  // namespace kb
