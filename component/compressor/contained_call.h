// A call into the compression library that cannot take the worker process
// down with it.
#pragma once

#include <functional>

namespace kb::compressor {

// Runs call on this thread. A hardware fault inside it on this thread (an
// access violation, an illegal instruction, a division by zero, a stack
// overflow) abandons the call where it stands and returns false, instead of
// ending the web server's process with every page it serves. What the call
// had allocated or locked stays as it was: a library that faulted once is
// not to be called again.
bool callContained(const std::function<void()>& call);

}  // namespace kb::compressor
