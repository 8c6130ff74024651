// Self-registration as an in-process automation server: the class with its
// server path and apartment threading, the ProgID both ways, and the type
// library (which also registers the interface for marshalling); and the
// Event Log source whose messages the DLL carries.
#include "common/errors.h"
#include "common/file_names.h"
#include "common/handles.h"
#include "component/module.h"
#include "log/failure_log.h"
#include "kbaycl20.h"

#include <string>

namespace {

constexpr wchar_t kProgId[] = L"Kestrelbay.Crateload2";

std::wstring guidString(REFGUID guid) {
    wchar_t text[40];
    ::StringFromGUID2(guid, text, 40);
    return text;
}

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

void deleteTree(const std::wstring& keyPath) {
    LONG err = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath.c_str());
    if (err == ERROR_SUCCESS) err = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, keyPath.c_str());
    if (err != ERROR_SUCCESS && err != ERROR_FILE_NOT_FOUND) throw kb::HResultError(HRESULT_FROM_WIN32(err));
}

SYSKIND ownSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

std::wstring eventSourceKey() {
    return std::wstring(L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\") + kb::log::kEventSource;
}

// Best effort: without it the events are still recorded, only shown without
// our message file, so a registration never fails for it.
void registerEventSource(const std::wstring& modulePath) {
    kb::UniqueKey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, eventSourceKey().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    ::RegSetValueExW(key.get(), L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(modulePath.c_str()),
                     static_cast<DWORD>((modulePath.size() + 1) * sizeof(wchar_t)));
    DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    ::RegSetValueExW(key.get(), L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types);
}

// Only while the source still names this DLL: the other architecture's
// build, registered since, keeps it.
void unregisterEventSource(const std::wstring& modulePath) {
    wchar_t named[MAX_PATH * 2] = L"";
    DWORD bytes = sizeof named - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, eventSourceKey().c_str(), L"EventMessageFile",
                       RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, named, &bytes) == ERROR_SUCCESS &&
        kb::sameName(named, modulePath)) {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, eventSourceKey().c_str());
    }
}

void unregisterAll() {
    unregisterEventSource(kb::module::path());
    std::wstring clsidKey = L"CLSID\\" + guidString(CLSID_Crateload2);
    deleteTree(clsidKey);
    deleteTree(kProgId);
    kb::ComPtr<ITypeLib> library;
    if (SUCCEEDED(kb::module::loadTypeLibrary(library.put()))) {
        TLIBATTR* attr = nullptr;
        if (SUCCEEDED(library->GetLibAttr(&attr))) {
            ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, ownSysKind());
            library->ReleaseTLibAttr(attr);
        }
    }
}

}  // namespace

STDAPI DllRegisterServer() {
    return kb::guarded([] {
        try {
            std::wstring modulePath = kb::module::path();
            std::wstring clsid = guidString(CLSID_Crateload2);
            std::wstring clsidKey = L"CLSID\\" + clsid;

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
