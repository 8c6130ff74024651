// Self-registration as an in-process automation server: the class with its
// server path and apartment threading, the ProgID both ways, and the type
// library (which also registers the interface for marshalling); and the
// Event Log source whose messages the DLL carries. Unregistering beside the
// other architecture's build leaves it the keys both views share.
#include "common/errors.h"
#include "common/file_names.h"
#include "common/handles.h"
#include "common/registry.h"
#include "component/module.h"
#include "component/shared_keys.h"
#include "log/failure_log.h"
#include "kbaycl20.h"

#include <cwchar>
#include <optional>
#include <string>

namespace {

constexpr wchar_t kProgId[] = L"Kestrelbay.Crateload2";

std::wstring guidString(REFGUID guid) {
    wchar_t text[40];
    ::StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring classKey() { return L"CLSID\\" + guidString(CLSID_Crateload2); }

std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

void setString(const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& value) {
    kb::UniqueKey key;
    LONG err = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                 key.put(), nullptr);
    if (err == ERROR_SUCCESS) {
        err = ::RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    if (err != ERROR_SUCCESS) throw kb::HResultError(HRESULT_FROM_WIN32(err));
}

// A string value as stored (unexpanded); nothing when it cannot be read.
std::optional<std::wstring> readString(HKEY root, const std::wstring& keyPath, const wchar_t* valueName) {
    wchar_t text[MAX_PATH * 2] = L"";
    DWORD bytes = sizeof text - sizeof(wchar_t);
    if (::RegGetValueW(root, keyPath.c_str(), valueName, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                       nullptr, text, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text);
}

void deleteTree(const std::wstring& keyPath) {
    LONG err = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath.c_str());
    if (err == ERROR_SUCCESS) err = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, keyPath.c_str());
    if (err != ERROR_SUCCESS && err != ERROR_FILE_NOT_FOUND) throw kb::HResultError(HRESULT_FROM_WIN32(err));
}

SYSKIND ownSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

// The view of the other architecture's build: the 32-bit one for the 64-bit
// build, the 64-bit one for the 32-bit build on 64-bit Windows; none on
// 32-bit Windows, which has one view only.
REGSAM otherView() {
    if (sizeof(void*) == 8) return KEY_WOW64_32KEY;
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
}

// The DLL the other view registers the class with; nothing when it
// registers none.
std::optional<std::wstring> otherViewServer() {
    REGSAM view = otherView();
    if (!view) return std::nullopt;
    std::optional<kb::MachineValue> server =
        kb::readMachineValue(L"SOFTWARE\\Classes\\" + classKey() + L"\\InprocServer32", view);
    if (!server || server->kind != kb::MachineValue::Kind::String || server->text.empty()) return std::nullopt;
    return std::move(server->text);
}

std::wstring eventSourceKey() {
    return std::wstring(L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\") + kb::log::kEventSource;
}

void setMessageFile(HKEY source, const std::wstring& modulePath) {
    ::RegSetValueExW(source, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(modulePath.c_str()),
                     static_cast<DWORD>((modulePath.size() + 1) * sizeof(wchar_t)));
}

// Best effort: without it the events are still recorded, only shown without
// our message file, so a registration never fails for it.
void registerEventSource(const std::wstring& modulePath) {
    kb::UniqueKey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, eventSourceKey().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    setMessageFile(key.get(), modulePath);
    DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    ::RegSetValueExW(key.get(), L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types);
}

// The source names the build registered last, and stays with it: a source
// that names this DLL goes, or names the other view's build while that
// remains.
void unregisterEventSource(const std::wstring& modulePath, const std::optional<std::wstring>& other) {
    std::optional<std::wstring> named = readString(HKEY_LOCAL_MACHINE, eventSourceKey(), L"EventMessageFile");
    if (!named) return;
    switch (kb::sharedKeyAction(named, modulePath, other)) {
    case kb::SharedKeyAction::Remove:
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, eventSourceKey().c_str());
        break;
    case kb::SharedKeyAction::PointAtOther: {
        kb::UniqueKey key;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, eventSourceKey().c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS) {
            setMessageFile(key.get(), *other);
        }
        break;
    }
    case kb::SharedKeyAction::Keep: break;
    }
}

// With nothing of the class left in the other view, the system's own
// removal. Otherwise only this build's platform below the shared type
// library key, and this view's interface keys: the system's removal takes
// the whole key and, on some systems, both views' interface keys.
void unregisterTypeLibrary(const std::wstring& modulePath, const std::optional<std::wstring>& other) {
    kb::ComPtr<ITypeLib> library;
    if (FAILED(kb::module::loadTypeLibrary(library.put()))) return;
    TLIBATTR* attr = nullptr;
    if (FAILED(library->GetLibAttr(&attr))) return;
    const TLIBATTR lib = *attr;
    library->ReleaseTLibAttr(attr);
    if (kb::sharedKeyAction(std::nullopt, modulePath, other) == kb::SharedKeyAction::Remove) {
        ::UnRegisterTypeLib(lib.guid, lib.wMajorVerNum, lib.wMinorVerNum, lib.lcid, ownSysKind());
        return;
    }
    wchar_t version[64];
    std::swprintf(version, 64, L"\\%x.%x\\", lib.wMajorVerNum, lib.wMinorVerNum);
    const std::wstring versionKey = L"TypeLib\\" + guidString(lib.guid) + version;
    wchar_t platform[32];
    std::swprintf(platform, 32, L"%lx\\%ls", static_cast<unsigned long>(lib.lcid),
                  ownSysKind() == SYS_WIN64 ? L"win64" : L"win32");
    deleteTree(versionKey + platform);
    std::optional<std::wstring> helpFolder = readString(HKEY_CLASSES_ROOT, versionKey + L"HELPDIR", nullptr);
    if (helpFolder && kb::sharedKeyAction(helpFolder, folderOf(modulePath), folderOf(*other)) ==
                          kb::SharedKeyAction::PointAtOther) {
        setString(versionKey + L"HELPDIR", nullptr, folderOf(*other));
    }
    for (UINT i = 0, n = library->GetTypeInfoCount(); i < n; ++i) {
        kb::ComPtr<ITypeInfo> info;
        TYPEATTR* type = nullptr;
        if (FAILED(library->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&type))) continue;
        const bool marshalled = type->typekind == TKIND_DISPATCH ||
                                (type->typekind == TKIND_INTERFACE && (type->wTypeFlags & TYPEFLAG_FOLEAUTOMATION));
        const GUID guid = type->guid;
        info->ReleaseTypeAttr(type);
        if (marshalled) deleteTree(L"Interface\\" + guidString(guid));
    }
}

// Windows keeps one ProgID key for both views; a system that keeps one per
// view would otherwise keep the other build's for ever, naming a class
// that is gone.
void deleteProgId() {
    deleteTree(kProgId);
    REGSAM view = otherView();
    kb::UniqueKey key;
    if (!view || ::RegOpenKeyExW(HKEY_CLASSES_ROOT, kProgId, 0, KEY_ALL_ACCESS | view, key.put()) != ERROR_SUCCESS) {
        return;
    }
    ::RegDeleteTreeW(key.get(), nullptr);
    key.reset();
    ::RegDeleteKeyExW(HKEY_CLASSES_ROOT, kProgId, view, 0);
}

void unregisterAll() {
    const std::wstring modulePath = kb::module::path();
    const std::optional<std::wstring> other = otherViewServer();
    unregisterEventSource(modulePath, other);
    unregisterTypeLibrary(modulePath, other);
    deleteTree(classKey());
    if (kb::sharedKeyAction(std::nullopt, modulePath, other) == kb::SharedKeyAction::Remove) deleteProgId();
}

}  // namespace

STDAPI DllRegisterServer() {
    return kb::guarded([] {
        try {
            std::wstring modulePath = kb::module::path();
            std::wstring clsid = guidString(CLSID_Crateload2);
            std::wstring clsidKey = classKey();

            kb::ComPtr<ITypeLib> library;
            kb::throwIfFailed(kb::module::loadTypeLibrary(library.put()));
            kb::throwIfFailed(::RegisterTypeLib(library.get(), modulePath.data(), nullptr));

            setString(clsidKey, nullptr, kProgId);
            setString(clsidKey + L"\\InprocServer32", nullptr, modulePath);
            setString(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
            setString(clsidKey + L"\\ProgID", nullptr, kProgId);
            setString(clsidKey + L"\\TypeLib", nullptr, guidString(LIBID_Kestrelbay));
            setString(kProgId, nullptr, kProgId);
            setString(std::wstring(kProgId) + L"\\CLSID", nullptr, clsid);
            registerEventSource(modulePath);
            return S_OK;
        } catch (...) {
            // Leave nothing half-registered.
            unregisterAll();
            throw;
        }
    });
}

STDAPI DllUnregisterServer() {
    return kb::guarded([] {
        unregisterAll();
        return S_OK;
    });
}
