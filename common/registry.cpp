#include "common/registry.h"

#include "common/handles.h"

#include <vector>

namespace kb {

std::optional<MachineValue> readMachineValue(const std::wstring& path, REGSAM view) {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(bytes + sizeof(wchar_t), 0);
    if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    MachineValue value;
    value.type = type;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        value.kind = MachineValue::Kind::String;
        // The stored string ends at its first null, whether or not one was stored.
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), bytes / sizeof(wchar_t));
        value.text = text.c_str();
    } else if ((type == REG_DWORD && bytes == 4) || (type == REG_QWORD && bytes == 8)) {
        value.kind = MachineValue::Kind::Number;
        for (DWORD i = bytes; i-- > 0;) value.number = (value.number << 8) | data[i];
    }
    return value;
}

std::optional<std::wstring> readMachineSetting(const std::wstring& path, REGSAM view) {
    std::optional<MachineValue> value = readMachineValue(path, view);
    if (!value || value->type != REG_SZ) return std::nullopt;
    return std::move(value->text);
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
