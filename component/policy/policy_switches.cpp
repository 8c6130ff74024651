#include "policy/policy_switches.h"

#include "common/registry.h"

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

bool isSwitchOn(Switch s) {
    // Either view holding exactly the on setting turns the switch on.
    return anyMachineSetting(std::wstring(kBasePath) + switchName(s), isOnSetting);
}

Failure refusal(const std::wstring& operation, Switch s, std::wstring value) {
    return {operation, Failure::kNoStatus, std::wstring(L"Refused: the switch ") + switchName(s) + L" is on",
            std::move(value), 0};
}

bool isPhysicalPath(std::wstring_view value) { return value.find_first_of(L"\\:") != std::wstring_view::npos; }

bool refusesPath(bool switchOn, std::wstring_view value) { return switchOn && isPhysicalPath(value); }

// Any non-zero value turns an option on where it is used, so any non-zero
// value is refused here: a native caller's 1 is as true as a script's -1.
bool refusesOption(bool switchOn, VARIANT_BOOL value) { return switchOn && value != VARIANT_FALSE; }

bool refusesListPattern(bool switchOn, std::wstring_view pattern) {
    return switchOn && (pattern.find_first_of(L"\\/:") != std::wstring_view::npos ||
                        pattern.find(L"..") != std::wstring_view::npos);
}

}  // namespace kb::policy
