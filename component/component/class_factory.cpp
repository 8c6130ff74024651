// DllMain, the class factory and the two entry points that hand it out.
#include "common/errors.h"
#include "component/crateload2.h"
#include "component/module.h"

#include <new>

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

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        kb::module::setHandle(instance);
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded by FreeLibrary, which happens only before the first
        // object pinned the DLL. At process exit (reserved set) other DLLs
        // may already be gone, and nothing is released.
        kb::module::releaseAtUnload();
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
