// The DLL as COM loads and frees it: once an object has existed, freeing
// the DLL must not unmap its code, since another apartment's thread may
// still be returning through it.
#include "kbaycl20.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring componentPath() {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    path = path.substr(0, path.find_last_of(L'\\'));  // unit
    return path.substr(0, path.find_last_of(L'\\')) + L"\\bin\\kbaycl20.dll";
}

using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(__stdcall*)();

// 0 when the DLL behaves, else the step that failed.
int loadCreateReleaseFree() {
    HMODULE dll = ::LoadLibraryW(componentPath().c_str());
    if (!dll) return 1;
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(::GetProcAddress(dll, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(::GetProcAddress(dll, "DllCanUnloadNow")));
    if (!getClassObject || !canUnload) return 2;
    if (canUnload() != S_OK) return 3;  // nothing made yet: free to go
    IClassFactory* factory = nullptr;
    if (FAILED(getClassObject(CLSID_Crateload2, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return 4;
    IUnknown* object = nullptr;
    HRESULT hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object));
    factory->Release();
    if (FAILED(hr)) return 5;
    object->Release();
    if (canUnload() != S_FALSE) return 6;  // pinned: it stays
    ::FreeLibrary(dll);
    if (::GetModuleHandleW(componentPath().c_str()) != dll) return 7;
    return 0;
}

TEST(Module, StaysLoadedOnceAnObjectExisted) {
    EXPECT_EXIT(std::exit(loadCreateReleaseFree()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
