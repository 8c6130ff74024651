// The bounded wait on the busy flag. The flag file stays the arbiter: other
// hosts and older versions sharing the temporary directory see nothing but
// the flag. A named mutex for the directory only puts this machine's
// waiters in line, so that they try in roughly the order they came (the
// order in which the system hands a mutex on) and a later one cannot pass
// one that has waited longer.
#pragma once

#include "zip/busy_flag.h"

#include <chrono>
#include <string>
#include <string_view>

namespace kb::busy {

// How often the first in line looks at the flag again.
inline constexpr std::chrono::milliseconds kPollInterval{50};

// The mutex's name for a temporary directory: the same for every spelling
// of one directory (case, a trailing backslash), in the global namespace
// so that every session of the machine shares it.
std::wstring waitLineName(std::wstring_view directory);

// With no wait, flag.tryRaise() once. Otherwise the call takes its place in
// line, and at its turn tries to raise the flag every poll interval until
// the flag is free or the wait has passed since the call began: Busy then,
// as without a wait. The next in line moves up once this call has raised
// its flag or given up. A call whose wait runs out before its turn tries
// once more as it leaves; where the line cannot be had at all (a name taken
// by another kind of object), the call polls out of line.
RaiseResult raiseWaiting(BusyFlag& flag, std::chrono::milliseconds wait);

}  // namespace kb::busy
