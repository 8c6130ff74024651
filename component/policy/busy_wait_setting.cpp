#include "policy/busy_wait_setting.h"

#include "policy/policy_switches.h"
#include "policy/setting_report.h"

#include <algorithm>

namespace kb::policy {

std::optional<int> readBusyWait(const MachineValue& value) {
    switch (value.kind) {
    case MachineValue::Kind::String: {
        int seconds = 0;
        for (wchar_t c : value.text) {
            if (c < L'0' || c > L'9') return std::nullopt;
            seconds = seconds * 10 + (c - L'0');
            if (seconds > kMaxBusyWaitSeconds) return std::nullopt;
        }
        return seconds;
    }
    case MachineValue::Kind::Number:
        if (value.number > static_cast<uint64_t>(kMaxBusyWaitSeconds)) return std::nullopt;
        return static_cast<int>(value.number);
    case MachineValue::Kind::Other: break;
    }
    return std::nullopt;
}

int busyWaitSeconds() {
    std::wstring path = settingPath(kBusyWaitName);
    int seconds = 0;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        std::optional<MachineValue> value = readMachineValue(path, view);
        if (!value) continue;
        if (std::optional<int> read = readBusyWait(*value)) {
            seconds = std::max(seconds, *read);
        } else {
            reportNotUnderstoodOnce(path, view,
                                    L"Not understood, so doZip does not wait when the machine is busy: " +
                                        describeSetting(*value) + L"; set it to a number of seconds from 0 to 60");
        }
    }
    return seconds;
}

}  // namespace kb::policy
