// The administrator's four switches. Each is the default value of its own
// subkey below HKLM\SOFTWARE\Kestrelbay\Crateload\, read afresh at every set
// of the property it guards, and on only when it is exactly "1".
#pragma once

#include "status/failure.h"

#include <wtypes.h>

#include <string>
#include <string_view>

namespace kb::policy {

enum class Switch {
    AllowVirtualSourceOnly,
    DisableIncludeSubdirectoryFiles,
    DisableDeleteOriginalFiles,
    AllowVirtualFileListOnly,
};

inline constexpr wchar_t kBasePath[] = L"SOFTWARE\\Kestrelbay\\Crateload\\";

const wchar_t* switchName(Switch s);
// The paragraph a refused set writes into the page.
const wchar_t* refusalParagraph(Switch s);

// The exact comparison that turns a setting into on or off.
bool isOnSetting(const std::wstring& setting);
// Reads the switch from the registry (both views).
bool isSwitchOn(Switch s);

// A value holding "\" or ":" is a physical path; anything else is a path of the web site.
bool isPhysicalPath(std::wstring_view value);

// A refusal as the log records it: what was refused, by which switch.
Failure refusal(const std::wstring& operation, Switch s, std::wstring value);

// Whether a guarded setter refuses its value, given the switch's state.
bool refusesPath(bool switchOn, std::wstring_view value);
bool refusesOption(bool switchOn, VARIANT_BOOL value);
// With AllowVirtualFileListOnly on, a listing pattern may not reach out of
// the listed folder: no separator, no drive colon, no "..".
bool refusesListPattern(bool switchOn, std::wstring_view pattern);

}  // namespace kb::policy
