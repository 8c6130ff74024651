#include "common/switches.h"

namespace kb {

namespace {

constexpr wchar_t kOnSetting[] = L"1";

}  // namespace

bool isOnSetting(const std::wstring& setting) { return setting == kOnSetting; }

Reading readSetting(const MachineValue& value) {
    switch (value.kind) {
    case MachineValue::Kind::String:
        if (isOnSetting(value.text)) return Reading::On;
        return value.text.empty() || value.text == L"0" ? Reading::Off : Reading::NotUnderstood;
    case MachineValue::Kind::Number:
        if (value.number == 1) return Reading::On;
        return value.number == 0 ? Reading::Off : Reading::NotUnderstood;
    case MachineValue::Kind::Other: break;
    }
    return Reading::NotUnderstood;
}

std::wstring describeSetting(const MachineValue& value) {
    switch (value.kind) {
    case MachineValue::Kind::String:
        return std::wstring(value.type == REG_EXPAND_SZ ? L"REG_EXPAND_SZ \"" : L"REG_SZ \"") + value.text + L"\"";
    case MachineValue::Kind::Number:
        return std::wstring(value.type == REG_QWORD ? L"REG_QWORD " : L"REG_DWORD ") + std::to_wstring(value.number);
    case MachineValue::Kind::Other: break;
    }
    return L"a value of registry type " + std::to_wstring(value.type);
}

const wchar_t* viewName(REGSAM view) { return view == KEY_WOW64_32KEY ? L"32-bit view" : L"64-bit view"; }

SwitchState readSwitch(const wchar_t* name) {
    SwitchState state;
    std::wstring path = settingPath(name);
    for (size_t i = 0; i < std::size(kViews); ++i) {
        state.values[i] = readMachineValue(path, kViews[i]);
        if (state.values[i] && readSetting(*state.values[i]) == Reading::On) state.on = true;
    }
    return state;
}

}  // namespace kb
