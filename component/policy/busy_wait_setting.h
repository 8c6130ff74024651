// The administrator's bounded wait on the busy flag: the default value of
// the subkey BusyWaitSeconds below the settings key (kb::kSettingsKey), in
// either registry view, read afresh at every doZip as the switches are read
// at every set. Absent, doZip gives up at once when the machine is busy.
#pragma once

#include "common/registry.h"

#include <optional>

namespace kb::policy {

inline constexpr wchar_t kBusyWaitName[] = L"BusyWaitSeconds";
inline constexpr int kMaxBusyWaitSeconds = 60;

// How a stored value reads: a number (REG_DWORD or REG_QWORD) or a string
// of decimal digits, from 0 to 60; "" is 0. Nothing when not understood:
// another type, a sign, a blank, a value above 60.
std::optional<int> readBusyWait(const MachineValue& value);

// The seconds doZip waits for another operation's fresh flag to go: the
// longer wait of the two views, 0 when neither sets one. A value not
// understood counts as 0, as if absent, and is logged once per process for
// each view: every second of the wait holds one of the web server's worker
// threads, and 5000 was more likely meant as milliseconds than as the
// longest wait there is.
int busyWaitSeconds();

}  // namespace kb::policy
