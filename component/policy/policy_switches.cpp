#include "policy/policy_switches.h"

#include "common/file_names.h"
#include "common/registry.h"
#include "common/switches.h"
#include "policy/setting_report.h"

namespace kb::policy {

const wchar_t* switchName(Switch s) {
    switch (s) {
    case Switch::AllowVirtualSourceOnly: return kAllowVirtualSourceOnly;
    case Switch::DisableIncludeSubdirectoryFiles: return kDisableIncludeSubdirectoryFiles;
    case Switch::DisableDeleteOriginalFiles: return kDisableDeleteOriginalFiles;
    case Switch::AllowVirtualFileListOnly: return kAllowVirtualFileListOnly;
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

bool isSwitchOn(Switch s) {
    SwitchState state = readSwitch(switchName(s));
    for (size_t i = 0; i < std::size(kViews); ++i) {
        const std::optional<MachineValue>& value = state.values[i];
        if (value && readSetting(*value) == Reading::NotUnderstood) {
            reportNotUnderstoodOnce(settingPath(switchName(s)), kViews[i],
                                    std::wstring(L"Not understood, so the switch ") + switchName(s) + L" is off: " +
                                        describeSetting(*value) + L"; set it to the string 1 to turn it on");
        }
    }
    return state.on;
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
