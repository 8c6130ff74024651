#include "cli/settings_report.h"

#include "common/switches.h"
#include "common/temp_directory.h"

namespace lsz::cli {

namespace {

std::wstring fileLine(const InstalledFile& file) {
    if (!file.exists) return file.path + L" is missing";
    std::wstring line = file.path + L", version " + (file.version.empty() ? L"unknown" : file.version);
    return line + L", " + (file.machine.empty() ? L"not a Windows program" : file.machine);
}

std::wstring storedLines(const StoredSetting& setting, const wchar_t* notTaken) {
    std::wstring out;
    for (size_t i = 0; i < std::size(kb::kViews); ++i) {
        out += std::wstring(L"  ") + kb::viewName(kb::kViews[i]) + L": ";
        const std::optional<kb::MachineValue>& value = setting.values[i];
        if (!value) {
            out += L"not set\n";
            continue;
        }
        out += kb::describeSetting(*value) + (setting.taken[i] ? L"" : notTaken) + L"\n";
    }
    return out;
}

// Where a view's component finds its library, in the order it looks.
std::wstring libraryLines(const Registration& r) {
    std::wstring out = L"  its library: " + fileLine(r.library);
    bool besideLoads = r.library.exists && (r.library.machine == r.component->machine || r.library.machine.empty() ||
                                            r.component->machine.empty());
    if (r.library.exists && !besideLoads) out += L": not the component's architecture, so it cannot load (193)";
    out += L"\n";
    if (besideLoads) return out;
    out += L"  so the component looks in the worker process's own folder, then in the system folder: ";
    if (r.systemLibrary.exists) return out + fileLine(r.systemLibrary) + L"\n";
    return out + r.systemLibrary.path + L" is missing too; without a library every doZip fails with 50\n";
}

}  // namespace

std::wstring settingsReport(const SettingsFacts& f) {
    std::wstring out = L"lspzip " + f.version + L" --settings: what the component reads, as this account sees it\n";
    out += L"Account: " + f.account + L", in a " + (f.process64 ? L"64" : L"32") + L"-bit process\n\n";
    out += L"Each setting is the default value of its key below HKEY_LOCAL_MACHINE\\" + std::wstring(kb::kSettingsKey) +
           L"\n";
    for (const SettingsFacts::Switch& s : f.switches) {
        out += s.stored.name + (s.on ? L": on\n" : L": off\n");
        out += storedLines(s.stored, L", not understood (set it to the string 1 to turn it on)");
    }
    const wchar_t* onlyStrings = L", not read (only a REG_SZ value counts)";
    out += f.zipEncryption.name + L": " + (f.aes ? L"AES-256" : L"the traditional zip cipher") + L"\n";
    out += storedLines(f.zipEncryption, onlyStrings);
    out += f.logFile.name + L": " + (f.logPath.empty() ? L"none" : f.logPath) + L"\n";
    out += storedLines(f.logFile, onlyStrings);

    out += L"\nBusy flag folder: " + f.busyFolder + L"\n";
    out += std::wstring(L"  ") + kb::kFixedTempDirectory +
           (f.busyFolderShared ? L" holds an ordinary file, so every account that can write there shares it\n"
                               : L" holds no ordinary file, so each account keeps its flag in its own temporary "
                                 L"folder\n");

    out += L"\nLibrary beside lspzip: " + fileLine(f.ownLibrary) + L"\n";
    for (size_t i = 0; i < std::size(kb::kViews); ++i) {
        const Registration& r = f.registrations[i];
        out += std::wstring(L"Component in the ") + kb::viewName(kb::kViews[i]) + L": ";
        if (!r.component) {
            out += L"not registered\n";
            continue;
        }
        out += fileLine(*r.component) + L"\n";
        if (r.component->exists) out += libraryLines(r);
    }
    return out;
}

}  // namespace lsz::cli
