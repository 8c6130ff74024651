// A call into the compression library that cannot take the worker process
// down with it.
#pragma once

#include <windows.h>

#include <functional>

namespace kb::compressor {

// Runs call on this thread. A hardware fault (an access violation, an
// illegal instruction, a division by zero, a stack overflow) in the code of
// library, on this thread, abandons the call where it stands and returns
// false, instead of ending the web server's process with every page it
// serves. Faults elsewhere, which their own code may handle, are left to
// it. What the call had allocated or locked stays as it was: a library that
// faulted once is not to be called again.
bool callContained(HMODULE library, const std::function<void()>& call);

}  // namespace kb::compressor
