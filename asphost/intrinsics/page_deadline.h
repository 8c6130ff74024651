// Server.ScriptTimeout, enforced: a page's time limit, which every call of
// one of its intrinsic objects checks.
#pragma once

#include <atomic>
#include <cstdint>

namespace asphost {

// A page's time limit in GetTickCount64 milliseconds (0: none), shared by
// the page's thread and the timer that interrupts its script.
using PageDeadline = std::atomic<uint64_t>;

// Makes deadline the limit of the page running on the calling thread
// (nullptr once it has ended): a page runs on one thread.
void watchPageDeadline(PageDeadline* deadline);
PageDeadline* pageDeadline();

// Throws IIS's "Script timed out" as a ScriptException once the calling
// thread's page is past its limit, which ends the script.
void throwIfPastDeadline();

}  // namespace asphost
