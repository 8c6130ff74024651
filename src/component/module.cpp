// DllMain, the class factory and the two entry points that hand it out.
#include "component/module.h"

#include "common/errors.h"
#include "common/handles.h"
#include "component/crateload2.h"

#include <atomic>
#include <mutex>
#include <new>

namespace kb::module {

namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

std::mutex g_typeInfoMutex;
ITypeInfo* g_typeInfo = nullptr;  // kept for the life of the process

}  // namespace

HMODULE handle() { return g_module; }

std::wstring path() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(g_module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) throwLastError();
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring folder() {
    std::wstring p = path();
    return p.substr(0, p.find_last_of(L'\\') + 1);
}

void objectCreated() { ++g_objects; }
void objectDestroyed() { --g_objects; }
void lock(bool lock) { lock ? ++g_locks : --g_locks; }
bool canUnload() { return g_objects == 0 && g_locks == 0; }

HRESULT loadTypeLibrary(ITypeLib** library) {
    return guarded([&] { return ::LoadTypeLibEx(path().c_str(), REGKIND_NONE, library); });
}

HRESULT interfaceTypeInfo(ITypeInfo** info) {
    std::lock_guard<std::mutex> guard(g_typeInfoMutex);
    if (!g_typeInfo) {
        ComPtr<ITypeLib> library;
        HRESULT hr = loadTypeLibrary(library.put());
        if (FAILED(hr)) return hr;
        hr = library->GetTypeInfoOfGuid(IID__Crateload2, &g_typeInfo);
        if (FAILED(hr)) return hr;
    }
    g_typeInfo->AddRef();
    *info = g_typeInfo;
    return S_OK;
}

}  // namespace kb::module

namespace {

class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static; its references only keep the DLL loaded.
    STDMETHODIMP_(ULONG) AddRef() override {
        kb::module::lock(true);
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override {
        kb::module::lock(false);
        return 1;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return kb::guarded([&] {
            auto* instance = new (std::nothrow) kb::Crateload2();
            if (!instance) return E_OUTOFMEMORY;
            HRESULT hr = instance->QueryInterface(riid, object);
            instance->Release();
            return hr;
        });
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        kb::module::lock(lock != FALSE);
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        kb::module::g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_Crateload2) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, object);
}

STDAPI DllCanUnloadNow() { return kb::module::canUnload() ? S_OK : S_FALSE; }
