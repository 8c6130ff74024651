#include "common/registry.h"

#include "common/handles.h"

#include <vector>

namespace kb {

std::optional<std::wstring> readMachineSetting(const std::wstring& path, REGSAM view) {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ) return std::nullopt;
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    // The stored string ends at its first null, whether or not one was stored.
    return std::wstring(data.data());
}

std::optional<std::wstring> firstMachineSetting(const std::wstring& path) {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        if (std::optional<std::wstring> setting = readMachineSetting(path, view)) return setting;
    }
    return std::nullopt;
}

bool anyMachineSetting(const std::wstring& path, bool (*isOn)(const std::wstring& setting)) {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        std::optional<std::wstring> setting = readMachineSetting(path, view);
        if (setting && isOn(*setting)) return true;
    }
    return false;
}

}  // namespace kb
