// The two clocks a zip entry carries: the DOS date and time in local time,
// and the Unix time of the extended-timestamp field.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace lsz {

struct DosStamp {
    uint16_t time = 0;
    uint16_t date = 0;
};

// The DOS stamp of a local calendar time. DOS dates run from 1980 to 2107;
// earlier times become its first moment and later ones its last.
DosStamp dosStamp(int year, int month, int day, int hour, int minute, int second);

// Seconds since 1970 for a FILETIME count, when a signed 32-bit field can
// hold them.
std::optional<int32_t> unixTime(uint64_t fileTime);

// The DOS stamp of a UTC file time, in the local time zone with the
// daylight-saving rule of that date.
DosStamp dosStampOf(const FILETIME& utc);

uint64_t fileTimeCount(const FILETIME& t);

}  // namespace lsz
