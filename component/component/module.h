// Process-wide facts about the DLL: its handle and path, the count of live
// objects and factory locks, and the type library it carries.
#pragma once

#include <oaidl.h>

#include <string>

namespace kb::module {

void setHandle(HMODULE module);
std::wstring path();
// The folder holding the DLL, ending in a backslash.
std::wstring folder();

// The first object pins the DLL for the life of the process. A web server
// runs pages on many threads, each in an apartment of its own that loads the
// DLL and frees it again when it ends; with the count at zero between two
// pages, one thread could unload the code another is still returning
// through. Pinned, the code stays mapped, and what it caches (the type
// information, the compression library) is made once, not at every load.
void objectCreated();
void objectDestroyed();
void lock(bool lock);
// False once the DLL is pinned: it will not go away, and saying otherwise
// only makes COM load it again.
bool canUnload();
// Releases what the module holds, when the DLL is unloaded before any
// object pinned it. Never throws.
void releaseAtUnload() noexcept;

// The embedded type library, loaded without registering it.
HRESULT loadTypeLibrary(ITypeLib** library);
// The cached type information of _Crateload2.
HRESULT interfaceTypeInfo(ITypeInfo** info);

}  // namespace kb::module
