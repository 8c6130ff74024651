#include "zip/busy_flag.h"

#include "common/clock.h"
#include "common/file_names.h"
#include "common/file_system.h"
#include "common/handles.h"

#include <windows.h>

#include <cwchar>
#include <mutex>
#include <set>

namespace kb::busy {

namespace {

constexpr wchar_t kPattern[] = L"~cl*.~cl";

// The flags this process holds, by full path.
std::mutex g_heldMutex;
std::set<std::wstring> g_held;

// Taking a note may throw (for want of memory); dropping one never does.
void noteHeld(const std::wstring& path, bool held) {
    std::lock_guard<std::mutex> lock(g_heldMutex);
    if (held) {
        g_held.insert(path);
    } else {
        g_held.erase(path);
    }
}
constexpr int kMinutesPerDay = 24 * 60;

int twoDigits(wchar_t a, wchar_t b) {
    if (a < L'0' || a > L'9' || b < L'0' || b > L'9') return -1;
    return (a - L'0') * 10 + (b - L'0');
}

}  // namespace

Stamp stampNow() {
    LocalTime t = localNow();
    return {t.hour, t.minute};
}

std::wstring flagFileName(Stamp stamp) {
    wchar_t name[16];
    std::swprintf(name, 16, L"~cl%02d%02d.~cl", stamp.hour, stamp.minute);
    return name;
}

std::optional<Stamp> parseFlagName(std::wstring_view name) {
    if (name.size() < 8) return std::nullopt;
    std::wstring_view tail = name.substr(name.size() - 8);
    if (tail.substr(4) != L".~cl") return std::nullopt;
    int hour = twoDigits(tail[0], tail[1]);
    int minute = twoDigits(tail[2], tail[3]);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return std::nullopt;
    return Stamp{hour, minute};
}

bool isFresh(Stamp flag, Stamp now) {
    if (now.hour == flag.hour) return now.minute <= flag.minute + 5;
    if (now.hour == (flag.hour + 1) % 24 && now.minute < 5) return true;
    int age = ageInMinutes(flag, now);
    return age < 0 && age >= -5;
}

int ageInMinutes(Stamp flag, Stamp now) {
    int diff = (now.hour * 60 + now.minute) - (flag.hour * 60 + flag.minute);
    int half = kMinutesPerDay / 2;
    return ((diff + half) % kMinutesPerDay + kMinutesPerDay) % kMinutesPerDay - half;
}

bool BusyFlag::freshFlagExcept(Stamp now, const std::wstring& own) {
    // Stale flags go on the way; malformed names are not flags and stay.
    bool found = false;
    forEachEntry(dir_ + kPattern, Listing::Files, [&](const Entry& e) {
        auto stamp = parseFlagName(e.name);
        if (!stamp || (!own.empty() && sameName(e.name, own))) return true;
        if (isFresh(*stamp, now)) {
            found = true;
        } else {
            ::DeleteFileW((dir_ + e.name).c_str());
        }
        return true;
    });
    return found;
}

bool BusyFlag::isRaised() {
    try {
        return freshFlagExcept(clock_(), L"");
    } catch (...) {
        return false;
    }
}

RaiseResult BusyFlag::tryRaise() {
    // Where in doubt, a fault anywhere in the raise, this call steps back.
    try {
        return raise();
    } catch (...) {
        clear();
        return RaiseResult::Busy;
    }
}

RaiseResult BusyFlag::raise() {
    Stamp now = clock_();
    if (freshFlagExcept(now, L"")) return RaiseResult::Busy;
    std::wstring name = flagFileName(now);
    UniqueFile file(::CreateFileW((dir_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) {
        // The same name means a flag raised in this very minute.
        return ::GetLastError() == ERROR_FILE_EXISTS ? RaiseResult::Busy : RaiseResult::Unflagged;
    }
    file.reset();
    raised_ = name;
    noteHeld(dir_ + name, true);
    if (!freshFlagExcept(clock_(), name)) return RaiseResult::Raised;
    clear();
    return RaiseResult::Busy;
}

void BusyFlag::clear() {
    if (raised_.empty()) return;
    std::wstring path = dir_ + raised_;
    ::DeleteFileW(path.c_str());
    noteHeld(path, false);
    raised_.clear();
}

void clearFlagsOfThisProcess() noexcept {
    std::lock_guard<std::mutex> lock(g_heldMutex);
    for (const std::wstring& path : g_held) ::DeleteFileW(path.c_str());
}

}  // namespace kb::busy
