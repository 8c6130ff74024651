// Download directories named "CL" + yyyyMMdd-hhmmss + "-" + n, created afresh
// directly below the physical download root. The date in the name is what
// old-directory removal reads.
#pragma once

#include "common/clock.h"
#include "common/handles.h"

#include <functional>
#include <string>

namespace kb {

// The name for one clock reading and one number n (-1 to 9999).
std::wstring uniqueDirectoryName(const LocalTime& when, int n);

// n = r * 10000 - 1 rounded to the nearest integer, halves to even, for r in
// [0, 1): -1 to 9999, the two ends half as likely as the values between.
int uniqueNumber(double r);

// A uniform draw from [0, 1), seeded afresh from the clock, the process, the
// thread and a counter, so that calls in the same clock tick draw apart.
double freshUniformDraw();

enum class MakeResult { Created, AlreadyExists, Failed };

// Creates the last level of path only.
MakeResult tryMakeDirectory(const std::wstring& path);

struct UniqueDirectorySources {
    std::function<LocalTime()> clock = localNow;
    std::function<double()> draw = freshUniformDraw;
    std::function<MakeResult(const std::wstring&)> make = tryMakeDirectory;
};

inline constexpr int kUniqueDirectoryRetries = 10;

// Creates a new directory below root (which ends in a backslash) and returns
// its bare name, or "" when none could be made. A name that is already taken
// is drawn again, up to kUniqueDirectoryRetries times; any other failure ends
// the attempt at once.
std::wstring makeUniqueDirectory(const std::wstring& root, const UniqueDirectorySources& sources = {});

struct HeldDirectory {
    std::wstring name;  // "" when none could be made
    UniqueFile hold;    // see holdDirectory: keeps clean-up out while the operation runs
};

// makeUniqueDirectory, and the new directory held open for the operation
// that writes into it. A clean-up that took the directory between its
// creation and the hold has removed it or is removing it: a new one is made.
HeldDirectory makeHeldDirectory(const std::wstring& root);

}  // namespace kb
