// The machine-wide busy flag: an empty file "~clHHMM.~cl" in the temporary
// directory, whose name records the hour and minute it was raised. Other
// processes and older versions read the same names and the same freshness
// window, so both stay as they are.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kb::busy {

struct Stamp {
    int hour = 0;
    int minute = 0;
};

std::wstring flagFileName(Stamp stamp);
// The stamp of a flag file name: the four digits before ".~cl" at its end.
// A name without a valid hour and minute there is not a flag.
std::optional<Stamp> parseFlagName(std::wstring_view name);

// Fresh from the minute it was raised until five minutes later, up to
// minute 4 of the next hour, and across midnight like any other hour.
bool isFresh(Stamp flag, Stamp now);
// Minutes from flag to now on a 24-hour dial, from -720 to 719: a flag
// stamped a minute ahead of this clock is younger, not a day old.
int ageInMinutes(Stamp flag, Stamp now);

enum class RaiseResult {
    Raised,     // this call holds the flag
    Busy,       // another operation holds a fresh flag
    Unflagged,  // the directory cannot hold a flag; the operation runs unguarded
};

class BusyFlag {
public:
    explicit BusyFlag(std::wstring tempDirectory) : dir_(std::move(tempDirectory)) {}
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;
    ~BusyFlag() { clear(); }

    // True while a fresh flag is present. Deletes stale flags, and only those.
    // Answers false on any error.
    bool isRaised();
    // Tests and raises in one step: the flag is created exclusively, and of
    // two operations that raised at the same time the older stamp goes on.
    RaiseResult tryRaise();
    // Removes the flag this object raised, and no other.
    void clear();

private:
    // Deletes stale flags, then reports whether a fresh flag other than own
    // is present whose age exceeds olderThan.
    bool freshFlagExcept(Stamp now, const std::wstring& own, int olderThan);

    std::wstring dir_;
    std::wstring raised_;
};

}  // namespace kb::busy
