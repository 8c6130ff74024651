#include "policy/policy_switches.h"

#include "common/file_names.h"
#include "common/registry.h"
#include "policy/setting_report.h"

namespace kb::policy {

const wchar_t* switchName(Switch s) {
    switch (s) {
    case Switch::AllowVirtualSourceOnly: return L"AllowVirtualSourceOnly";
    case Switch::DisableIncludeSubdirectoryFiles: return L"DisableIncludeSubdirectoryFiles";
    case Switch::DisableDeleteOriginalFiles: return L"DisableDeleteOriginalFiles";
    case Switch::AllowVirtualFileListOnly: return L"AllowVirtualFileListOnly";
    }
    return L"";
}

const wchar_t* refusalParagraph(Switch s) {
    switch (s) {
    case Switch::AllowVirtualSourceOnly:
        return L"<P><B>Error:</B> Permission to use physical source directory paths denied.</P>";
    case Switch::DisableIncludeSubdirectoryFiles:
        return L"<P><B>Error:</B> Permission to include subdirectory contents denied.</P>";
    case Switch::DisableDeleteOriginalFiles:
        return L"<P><B>Error:</B> Permission to delete original files denied.</P>";
    case Switch::AllowVirtualFileListOnly:
        return L"<P><B>Error:</B> Permission to list files from a physical path denied.</P>";
    }
    return L"";
}

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

bool isSwitchOn(Switch s) {
    std::wstring path = settingPath(switchName(s));
    bool on = false;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        std::optional<MachineValue> value = readMachineValue(path, view);
        if (!value) continue;
        Reading reading = readSetting(*value);
        if (reading == Reading::On) on = true;
        if (reading == Reading::NotUnderstood) {
            reportNotUnderstoodOnce(path, view, std::wstring(L"Not understood, so the switch ") + switchName(s) +
                                                    L" is off: " + describeSetting(*value) +
                                                    L"; set it to the string 1 to turn it on");
        }
    }
    return on;
}

Failure refusal(const std::wstring& operation, Switch s, std::wstring value) {
    return {operation, Failure::kNoStatus, std::wstring(L"Refused: the switch ") + switchName(s) + L" is on",
            std::move(value), 0};
}

bool mayBePhysical(std::wstring_view value) {
    return isPhysicalPath(value) || value.find(L'\\') != std::wstring_view::npos;
}

bool refusesPath(bool switchOn, std::wstring_view value) { return switchOn && mayBePhysical(value); }

// Any non-zero value turns an option on where it is used, so any non-zero
// value is refused here: a native caller's 1 is as true as a script's -1.
bool refusesOption(bool switchOn, VARIANT_BOOL value) { return switchOn && value != VARIANT_FALSE; }

bool refusesListPattern(bool switchOn, std::wstring_view pattern) {
    return switchOn && (pattern.find_first_of(L"\\/:") != std::wstring_view::npos ||
                        pattern.find(L"..") != std::wstring_view::npos || !hasPlainSegments(pattern));
}

}  // namespace kb::policy
