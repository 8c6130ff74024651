#include "component/module.h"

#include "common/errors.h"
#include "common/handles.h"
#include "kbaycl20.h"

#include <atomic>
#include <mutex>
#include <new>
#include <utility>

namespace kb::module {

namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

std::atomic<bool> g_pinned{false};

std::mutex g_typeInfoMutex;
ITypeInfo* g_typeInfo = nullptr;  // kept while the module is loaded

void pin() {
    if (g_pinned.exchange(true)) return;
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&pin), &self)) {
        g_pinned = false;  // tried again by the next object
    }
}

}  // namespace

void setHandle(HMODULE module) { g_module = module; }

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

void objectCreated() {
    ++g_objects;
    pin();
}
void objectDestroyed() { --g_objects; }
void lock(bool lock) { lock ? ++g_locks : --g_locks; }
bool canUnload() { return !g_pinned && g_objects == 0 && g_locks == 0; }

void releaseAtUnload() noexcept {
    ITypeInfo* info = std::exchange(g_typeInfo, nullptr);
    if (info) info->Release();
}

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

