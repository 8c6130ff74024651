// The facts lspzip --settings reports, read with the component's own rules:
// the switches through kb::readSwitch, the log file through
// kb::firstMachineSetting, the cipher through the library's own
// configuredCipher, and the busy flag's folder through kb::getTempFilePath.
#include "api/options.h"
#include "cli/settings_report.h"
#include "common/handles.h"
#include "common/switches.h"
#include "common/temp_directory.h"
#include "common/text.h"

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <vector>

namespace lsz::cli {

namespace {

constexpr wchar_t kLibraryName[] = L"lspzipx.dll";
// The class pages create; its registration in each view names the
// component's DLL.
constexpr wchar_t kComponentProgId[] = L"Kestrelbay.Crateload2";

std::wstring folderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring ownPath() {
    std::wstring path(32768, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n < path.size() ? n : 0);
    return path;
}

// The machine a program file is built for, from its PE header.
std::wstring machineOf(const std::wstring& path) {
    kb::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    unsigned char head[4096];
    DWORD got = 0;
    if (!file || !::ReadFile(file.get(), head, sizeof head, &got, nullptr) || got < 0x40 || head[0] != 'M' ||
        head[1] != 'Z') {
        return {};
    }
    uint64_t pe = head[0x3C] | head[0x3D] << 8 | head[0x3E] << 16 | static_cast<uint64_t>(head[0x3F]) << 24;
    if (pe + 6 > got || head[pe] != 'P' || head[pe + 1] != 'E' || head[pe + 2] != 0 || head[pe + 3] != 0) return {};
    unsigned machine = head[pe + 4] | head[pe + 5] << 8;
    switch (machine) {
    case 0x8664: return L"x64";
    case 0x014C: return L"x86";
    case 0xAA64: return L"ARM64";
    }
    wchar_t other[32];
    std::swprintf(other, 32, L"machine 0x%04X", machine);
    return other;
}

InstalledFile installedFile(const std::wstring& path) {
    InstalledFile file;
    file.path = path;
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    file.exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (file.exists) {
        file.version = fileVersion(path);
        file.machine = machineOf(path);
    }
    return file;
}

StoredSetting storedStrings(const wchar_t* name) {
    StoredSetting setting;
    setting.name = name;
    for (size_t i = 0; i < std::size(kb::kViews); ++i) {
        setting.values[i] = kb::readMachineValue(kb::settingPath(name), kb::kViews[i]);
        setting.taken[i] = kb::readMachineSetting(kb::settingPath(name), kb::kViews[i]).has_value();
    }
    return setting;
}

std::wstring accountName() {
    kb::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return L"unknown";
    DWORD bytes = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &bytes);
    std::vector<BYTE> buffer(bytes);
    if (bytes == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), bytes, &bytes)) return L"unknown";
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    wchar_t name[256], domain[256];
    DWORD nameChars = 256, domainChars = 256;
    SID_NAME_USE use;
    if (::LookupAccountSidW(nullptr, sid, name, &nameChars, domain, &domainChars, &use)) {
        return domainChars ? std::wstring(domain) + L"\\" + name : std::wstring(name);
    }
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return L"unknown";
    std::wstring shown(text);
    ::LocalFree(text);
    return shown;
}

// The system folder that the view's architecture loads from, as a path
// this process can read. System32 is redirected for a 32-bit process, which
// reaches the 64-bit one through Sysnative instead.
std::wstring systemFolder(REGSAM view) {
    constexpr bool process64 = sizeof(void*) == 8;
    wchar_t folder[MAX_PATH];
    UINT n = 0;
    if (view == KEY_WOW64_32KEY) {
        // SysWOW64, or System32 on a 32-bit Windows, which has no other.
        n = ::GetSystemWow64DirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) n = ::GetSystemDirectoryW(folder, MAX_PATH);
    } else if (process64) {
        n = ::GetSystemDirectoryW(folder, MAX_PATH);
    } else {
        n = ::GetWindowsDirectoryW(folder, MAX_PATH);
        if (n > 0 && n < MAX_PATH) return kb::withTrailingBackslash(folder) + L"Sysnative\\";
    }
    return n > 0 && n < MAX_PATH ? kb::withTrailingBackslash(folder) : std::wstring();
}

Registration registration(REGSAM view) {
    Registration r;
    std::optional<std::wstring> clsid =
        kb::readMachineSetting(std::wstring(L"SOFTWARE\\Classes\\") + kComponentProgId + L"\\CLSID", view);
    if (!clsid) return r;
    std::optional<kb::MachineValue> server =
        kb::readMachineValue(L"SOFTWARE\\Classes\\CLSID\\" + *clsid + L"\\InprocServer32", view);
    if (!server || server->kind != kb::MachineValue::Kind::String) return r;
    std::wstring path = server->text;
    if (server->type == REG_EXPAND_SZ) {
        wchar_t expanded[32768];
        DWORD n = ::ExpandEnvironmentStringsW(path.c_str(), expanded, 32768);
        if (n > 0 && n <= 32768) path = expanded;
    }
    r.component = installedFile(path);
    r.library = installedFile(folderOf(path) + kLibraryName);
    r.systemLibrary = installedFile(systemFolder(view) + kLibraryName);
    return r;
}

}  // namespace

std::wstring fileVersion(const std::wstring& path) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<uint8_t> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                         &length) &&
        length >= sizeof(Translation)) {
        wchar_t key[64];
        std::swprintf(key, 64, L"\\StringFileInfo\\%04X%04X\\ProductVersion", translation->language,
                      translation->codePage);
        wchar_t* text = nullptr;
        if (::VerQueryValueW(data.data(), key, reinterpret_cast<void**>(&text), &length) && length > 0 && *text) {
            return text;
        }
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed) {
        return {};
    }
    return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

SettingsFacts readSettingsFacts(const std::wstring& version) {
    SettingsFacts f;
    f.version = version;
    f.account = accountName();
    f.process64 = sizeof(void*) == 8;
    for (const wchar_t* name : kb::kSwitchNames) {
        kb::SwitchState state = kb::readSwitch(name);
        SettingsFacts::Switch s;
        s.stored.name = name;
        for (size_t i = 0; i < std::size(kb::kViews); ++i) {
            s.stored.values[i] = state.values[i];
            s.stored.taken[i] = state.values[i] && kb::readSetting(*state.values[i]) != kb::Reading::NotUnderstood;
        }
        s.on = state.on;
        f.switches.push_back(s);
    }
    f.zipEncryption = storedStrings(kb::kZipEncryptionSetting);
    f.aes = configuredCipher() == Cipher::Aes256;
    f.logFile = storedStrings(kb::kLogFileSetting);
    f.logPath = kb::firstMachineSetting(kb::settingPath(kb::kLogFileSetting)).value_or(std::wstring());
    f.busyFolder = kb::getTempFilePath();
    f.busyFolderShared = f.busyFolder == kb::kFixedTempDirectory;
    f.ownLibrary = installedFile(folderOf(ownPath()) + kLibraryName);
    for (size_t i = 0; i < std::size(kb::kViews); ++i) f.registrations[i] = registration(kb::kViews[i]);
    return f;
}

}  // namespace lsz::cli
