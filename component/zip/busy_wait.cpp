#include "zip/busy_wait.h"

#include "common/file_system.h"
#include "common/handles.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <cwctype>

namespace kb::busy {

namespace {

// Everyone may wait on the line and let go of it: the worker processes of
// different application pools run under different accounts.
constexpr wchar_t kLineAccess[] = L"D:(A;;0x00100001;;;WD)";

// This call's place in the line: held from its turn until it ends.
class PlaceInLine {
public:
    explicit PlaceInLine(const std::wstring& name) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
        if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(kLineAccess, SDDL_REVISION_1, &descriptor,
                                                                   nullptr)) {
            attributes.lpSecurityDescriptor = descriptor;
        }
        mutex_.reset(::CreateMutexExW(&attributes, name.c_str(), 0, SYNCHRONIZE | MUTEX_MODIFY_STATE));
        if (descriptor) ::LocalFree(descriptor);
    }
    PlaceInLine(const PlaceInLine&) = delete;
    PlaceInLine& operator=(const PlaceInLine&) = delete;
    ~PlaceInLine() {
        if (held_) ::ReleaseMutex(mutex_.get());
    }

    // False when the wait ran out before this call's turn came. Without a
    // line the turn is at once.
    bool awaitTurn(DWORD milliseconds) {
        if (!mutex_) return true;
        DWORD waited = ::WaitForSingleObject(mutex_.get(), milliseconds);
        // An abandoned line is one whose first left without letting go (its
        // process ended): the turn passes on all the same.
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        return held_ || waited == WAIT_FAILED;
    }

private:
    UniqueHandle mutex_;
    bool held_ = false;
};

DWORD remaining(ULONGLONG deadline) {
    ULONGLONG now = ::GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

}  // namespace

std::wstring waitLineName(std::wstring_view directory) {
    std::wstring full = fullPathName(std::wstring(directory));
    if (full.empty()) full = directory;
    while (!full.empty() && full.back() == L'\\') full.pop_back();
    // A name may hold no backslash of its own: the directory goes in as a
    // hash (FNV-1a over its UTF-16 units, upper-cased as names compare).
    uint64_t hash = 0xcbf29ce484222325ull;
    for (wchar_t c : full) {
        hash = (hash ^ static_cast<uint16_t>(std::towupper(c))) * 0x100000001b3ull;
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"Global\\Crateload-busy-wait-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

RaiseResult raiseWaiting(BusyFlag& flag, std::chrono::milliseconds wait) {
    if (wait <= std::chrono::milliseconds::zero()) return flag.tryRaise();
    ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(wait.count());
    PlaceInLine place(waitLineName(flag.directory()));
    // Out of time before its turn came, a call still tries once as it leaves,
    // as a call without a wait would: a line that someone holds and never
    // lets go then costs the wait, and never the zip itself.
    if (!place.awaitTurn(remaining(deadline))) return flag.tryRaise();
    for (;;) {
        RaiseResult raised = flag.tryRaise();
        DWORD left = remaining(deadline);
        if (raised != RaiseResult::Busy || left == 0) return raised;
        ::Sleep(std::min<DWORD>(left, static_cast<DWORD>(kPollInterval.count())));
    }
}

}  // namespace kb::busy
