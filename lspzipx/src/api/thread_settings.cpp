#include "api/thread_settings.h"

#include <windows.h>

#include <new>
#include <utility>

namespace lsz {

namespace {

// A plain TLS slot rather than thread_local: the DLL frees each thread's
// settings itself when the thread ends, with no dependence on how the
// runtime runs thread_local destructors in a DLL.
DWORD slot() {
    static const DWORD index = [] {
        DWORD i = ::TlsAlloc();
        if (i == TLS_OUT_OF_INDEXES) throw std::bad_alloc();
        return i;
    }();
    return index;
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

ThreadSettings takeThreadSettings() {
    ThreadSettings taken = std::move(threadSettings());
    releaseThreadSettings();
    return taken;
}

void releaseThreadSettings() {
    auto* settings = static_cast<ThreadSettings*>(::TlsGetValue(slot()));
    if (settings) {
        ::TlsSetValue(slot(), nullptr);
        delete settings;
    }
}

}  // namespace lsz
