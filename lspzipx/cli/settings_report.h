// lspzip --settings: what the component reads, as the account and the
// process that run lspzip see it. Run as an application pool's identity, it
// shows what that pool's component obeys: the switches and the other
// settings in both registry views, the folder of the busy flag, and which
// files of the component and the library are installed where.
#pragma once

#include "common/registry.h"

#include <optional>
#include <string>
#include <vector>

namespace lsz::cli {

// One setting's default value in each registry view, in the order of
// kb::kViews; nothing where a view holds none.
struct StoredSetting {
    std::wstring name;
    std::optional<kb::MachineValue> values[2];
    bool taken[2] = {};  // the value is one that setting's reader takes (switches: understood)
};

// A program file as found on disk.
struct InstalledFile {
    std::wstring path;
    bool exists = false;
    std::wstring version;  // "" when it has no version resource
    std::wstring machine;  // "x64", "x86", "ARM64", or "" when not a Windows program
};

// The component as one registry view registers it.
struct Registration {
    std::optional<InstalledFile> component;  // nothing when the view registers none
    InstalledFile library;                   // lspzipx.dll beside the component
    InstalledFile systemLibrary;             // lspzipx.dll in the system folder of the view's architecture
};

struct SettingsFacts {
    std::wstring version;  // lspzip's own
    std::wstring account;
    bool process64 = false;
    struct Switch {
        StoredSetting stored;
        bool on = false;
    };
    std::vector<Switch> switches;
    StoredSetting zipEncryption;
    bool aes = false;
    StoredSetting logFile;
    std::wstring logPath;  // "" when none is used
    std::wstring busyFolder;
    bool busyFolderShared = false;  // the fixed c:\temp\, shared by every account
    InstalledFile ownLibrary;       // lspzipx.dll beside lspzip.exe
    Registration registrations[2];  // in the order of kb::kViews
};

// The report, ending in a line break.
std::wstring settingsReport(const SettingsFacts& facts);

// What this process reads now.
SettingsFacts readSettingsFacts(const std::wstring& version);

// The version a program file's resource states ("" when none): its product
// version string, else its file version numbers.
std::wstring fileVersion(const std::wstring& path);

}  // namespace lsz::cli
