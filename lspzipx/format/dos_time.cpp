#include "format/dos_time.h"

namespace lsz {

DosStamp dosStamp(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1980) return {0, (1 << 5) | 1};
    if (year > 2107) return dosStamp(2107, 12, 31, 23, 59, 58);
    DosStamp s;
    s.date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
    s.time = static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
    return s;
}

std::optional<int32_t> unixTime(uint64_t fileTime) {
    constexpr int64_t kEpochDifference = 116444736000000000LL;  // 1601 to 1970 in 100 ns ticks
    int64_t seconds = (static_cast<int64_t>(fileTime) - kEpochDifference) / 10000000LL;
    if (seconds < INT32_MIN || seconds > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(seconds);
}

uint64_t fileTimeCount(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

DosStamp dosStampOf(const FILETIME& utc) {
    SYSTEMTIME u;
    SYSTEMTIME local;
    if (!::FileTimeToSystemTime(&utc, &u) || !::SystemTimeToTzSpecificLocalTime(nullptr, &u, &local)) {
        return dosStamp(1980, 1, 1, 0, 0, 0);
    }
    return dosStamp(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
}

}  // namespace lsz
