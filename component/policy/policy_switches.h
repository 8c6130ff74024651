// The administrator's four switches. Each is the default value of its own
// subkey below the settings key (kb::kSettingsKey), read afresh at every set
// of the property it guards, and on only when it is exactly "1".
#pragma once

#include "common/switches.h"
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

const wchar_t* switchName(Switch s);
// The paragraph a refused set writes into the page.
const wchar_t* refusalParagraph(Switch s);

// Reads the switch from the registry as kb::readSwitch does: on when either
// view holds an on value. A value not understood is logged once per process
// for each view of each switch.
bool isSwitchOn(Switch s);

// True when a value may name a place outside the site: a physical path
// (kb::isPhysicalPath), or a value holding "\", as a network path
// (\\server\share) and a path from the drive's root do. The switches and
// the download root refuse both.
bool mayBePhysical(std::wstring_view value);

// A refusal as the log records it: what was refused, by which switch.
Failure refusal(const std::wstring& operation, Switch s, std::wstring value);

// Whether a guarded setter refuses its value, given the switch's state.
bool refusesPath(bool switchOn, std::wstring_view value);
bool refusesOption(bool switchOn, VARIANT_BOOL value);
// With AllowVirtualFileListOnly on, a listing pattern may not reach out of
// the listed folder: no separator, no drive colon, no "..", and no name
// that the system would read as another (all dots, a trailing dot or blank).
bool refusesListPattern(bool switchOn, std::wstring_view pattern);

}  // namespace kb::policy
