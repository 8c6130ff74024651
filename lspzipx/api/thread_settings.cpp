#include "api/thread_settings.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <new>
#include <utility>

namespace lsz {

namespace {

// A plain TLS slot rather than thread_local: the DLL frees each thread's
// settings itself when the thread ends, with no dependence on how the
// runtime runs thread_local destructors in a DLL.
std::atomic<DWORD> g_slot{TLS_OUT_OF_INDEXES};

std::mutex g_slotMutex;

DWORD slot() {
    // Not std::call_once, which some runtimes leave stuck after a throw.
    std::lock_guard<std::mutex> lock(g_slotMutex);
    if (g_slot == TLS_OUT_OF_INDEXES) {
        DWORD i = ::TlsAlloc();
        if (i == TLS_OUT_OF_INDEXES) throw std::bad_alloc();
        g_slot = i;
    }
    return g_slot;
}

}  // namespace

ThreadSettings& threadSettings() {
    auto* settings = static_cast<ThreadSettings*>(::TlsGetValue(slot()));
    if (!settings) {
        settings = new ThreadSettings();
        ::TlsSetValue(slot(), settings);
    }
    return *settings;
}

ThreadSettings* existingThreadSettings() noexcept {
    DWORD index = g_slot;
    return index == TLS_OUT_OF_INDEXES ? nullptr : static_cast<ThreadSettings*>(::TlsGetValue(index));
}

ThreadSettings takeThreadSettings() {
    ThreadSettings& mine = threadSettings();
    ThreadSettings taken;
    taken.password = std::exchange(mine.password, std::nullopt);
    taken.items = std::exchange(mine.items, std::nullopt);
    return taken;
}

void releaseThreadSettings() noexcept {
    // Before the first call there is no slot, and nothing to free.
    DWORD index = g_slot;
    if (index == TLS_OUT_OF_INDEXES) return;
    auto* settings = static_cast<ThreadSettings*>(::TlsGetValue(index));
    if (settings) {
        ::TlsSetValue(index, nullptr);
        delete settings;
    }
}

}  // namespace lsz
