// The machine-wide busy flag: an empty file "~clHHMM.~cl" in the temporary
// directory, whose name records the hour and minute it was raised. Other
// processes and older versions read the same names and the same freshness
// window, so both stay as they are.
#pragma once

#include <functional>
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
// minute 4 of the next hour, and across midnight like any other hour. A
// stamp up to five minutes ahead of now, from a clock read a moment later
// in another process, is fresh too.
bool isFresh(Stamp flag, Stamp now);
// Minutes from flag to now on a 24-hour dial, from -720 to 719: a flag
// stamped a minute ahead of this clock is younger, not a day old.
int ageInMinutes(Stamp flag, Stamp now);

// The hour and minute of the local clock.
Stamp stampNow();

// Removes every flag that an operation of this process raised and has not
// cleared yet: the last thing a process does when a fault ends it, so that
// the recycled pool is not told it is busy for five minutes. Never throws.
void clearFlagsOfThisProcess() noexcept;

enum class RaiseResult {
    Raised,     // this call holds the flag
    Busy,       // another operation holds a fresh flag
    Unflagged,  // the directory cannot hold a flag; the operation runs unguarded
};

class BusyFlag {
public:
    using Clock = std::function<Stamp()>;
    explicit BusyFlag(std::wstring tempDirectory, Clock clock = stampNow)
        : dir_(std::move(tempDirectory)), clock_(std::move(clock)) {}
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;
    ~BusyFlag() { clear(); }

    // True while a fresh flag is present. Deletes stale flags, and only those.
    // Answers false on any error.
    bool isRaised();
    // Tests and raises in one step: the flag is created exclusively, and
    // then the directory is read again. Any other fresh flag there means an
    // operation that raised at the same time, which may not have seen ours:
    // this one steps back. Where in doubt (a fault after the flag was
    // created) it steps back too; only a directory that cannot take a flag
    // at all lets the operation run unguarded.
    RaiseResult tryRaise();
    // Removes the flag this object raised, and no other.
    void clear();

    const std::wstring& directory() const { return dir_; }

private:
    RaiseResult raise();  // tryRaise without its guard: throws
    // Deletes stale flags, then reports whether a fresh flag other than own
    // is present.
    bool freshFlagExcept(Stamp now, const std::wstring& own);

    std::wstring dir_;
    Clock clock_;
    std::wstring raised_;
};

}  // namespace kb::busy
