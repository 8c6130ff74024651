// Reading administrator settings under HKEY_LOCAL_MACHINE. On 64-bit Windows
// a 32-bit process is silently redirected to the 32-bit view, so a setting
// made with the ordinary registry editor would be missed there; both views
// are read.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kb {

// The key below HKEY_LOCAL_MACHINE that holds every setting of the products:
// the switches, the log file and the cipher, each the default value of a
// subkey of its own. It is spelled here and nowhere else
// (tools/check_layout.py keeps it so).
inline constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Kestrelbay\\Crateload\\";

// The path of one setting's subkey below kSettingsKey.
inline std::wstring settingPath(std::wstring_view name) { return kSettingsKey + std::wstring(name); }

// The settings besides the switches (common/switches.h).
inline constexpr wchar_t kLogFileSetting[] = L"LogFile";
inline constexpr wchar_t kZipEncryptionSetting[] = L"ZipEncryption";

// The default value of HKLM\path in one view (KEY_WOW64_64KEY or
// KEY_WOW64_32KEY), or nothing when the key or a string value is missing or
// cannot be read.
std::optional<std::wstring> readMachineSetting(const std::wstring& path, REGSAM view);

// The default value of HKLM\path in one view as it is stored: a string
// (REG_SZ or REG_EXPAND_SZ, unexpanded), a number (REG_DWORD or REG_QWORD),
// or data of another type. Nothing when the key or the value is missing or
// cannot be read.
struct MachineValue {
    enum class Kind { String, Number, Other } kind = Kind::Other;
    std::wstring text;    // for a string
    uint64_t number = 0;  // for a number
    DWORD type = REG_NONE;
};
std::optional<MachineValue> readMachineValue(const std::wstring& path, REGSAM view);

// The default value of HKLM\path in the 64-bit view, else in the 32-bit
// view; nothing when neither holds a string.
std::optional<std::wstring> firstMachineSetting(const std::wstring& path);

// True when the default value of HKLM\path in either view is a setting
// that isOn accepts.
bool anyMachineSetting(const std::wstring& path, bool (*isOn)(const std::wstring& setting));

}  // namespace kb
