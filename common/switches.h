// The administrator's four switches as every product reads them: their
// names, how a stored value reads, and how the two registry views combine.
// Each switch is the default value of its own subkey below the settings key
// (kSettingsKey). The component obeys them; lspzip --settings shows them.
#pragma once

#include "common/registry.h"

#include <optional>
#include <string>

namespace kb {

inline constexpr wchar_t kAllowVirtualSourceOnly[] = L"AllowVirtualSourceOnly";
inline constexpr wchar_t kAllowVirtualFileListOnly[] = L"AllowVirtualFileListOnly";
inline constexpr wchar_t kDisableIncludeSubdirectoryFiles[] = L"DisableIncludeSubdirectoryFiles";
inline constexpr wchar_t kDisableDeleteOriginalFiles[] = L"DisableDeleteOriginalFiles";
// In the order the administrator's chapter lists them.
inline constexpr const wchar_t* kSwitchNames[] = {kAllowVirtualSourceOnly, kAllowVirtualFileListOnly,
                                                  kDisableIncludeSubdirectoryFiles, kDisableDeleteOriginalFiles};

// The exact comparison that turns a setting into on or off.
bool isOnSetting(const std::wstring& setting);

// How a stored value reads. A switch fails safe: the string "1" and the
// number 1 (the way a registry editor's DWORD is set) are on; "", "0" and
// the number 0 are off; anything else is off and not understood, which the
// administrator is told of.
enum class Reading { On, Off, NotUnderstood };
Reading readSetting(const MachineValue& value);
// The value as the log shows it: its type and its contents.
std::wstring describeSetting(const MachineValue& value);

// The registry views in the order every setting is read, and their names
// as the log and lspzip print them ("64-bit view", "32-bit view").
inline constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
const wchar_t* viewName(REGSAM view);

// A switch as the two views hold it, each value in the order of kViews
// (nothing where a view has none): on when either view reads on.
struct SwitchState {
    std::optional<MachineValue> values[2];
    bool on = false;
};
SwitchState readSwitch(const wchar_t* name);

}  // namespace kb
