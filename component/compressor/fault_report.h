// What happens when the compression library faults: nothing is caught. A
// hardware fault means memory that may be corrupt, and code that goes on
// running on it inside a web server's worker process turns a crash into
// silent damage to every page it serves. So the process ends at once, as
// Windows' own fail-fast does and as the web server expects (it recycles
// the pool), but first the administrator's log gets one line that names
// the faulting module, so that the recycling has a cause to show.
#pragma once

#include <windows.h>

namespace kb::compressor {

// From now on, a hardware fault on any thread in the code of module (or of
// this component) writes one line to the Event Log and the log file, and
// then ends the process with the fault's code. Faults in other modules are
// left to whoever handles them. Safe to call more than once.
void endProcessOnFaultIn(HMODULE module);

// What the process does after writing that line and before it ends (one
// function, set once): the operations' own clean-up, such as a busy flag.
void beforeFaultEnd(void (*last)() noexcept);

}  // namespace kb::compressor
