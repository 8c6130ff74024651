// Process-wide facts about the DLL: its handle and path, the count of live
// objects and factory locks, and the type library it carries.
#pragma once

#include <oaidl.h>

#include <string>

namespace kb::module {

HMODULE handle();
void setHandle(HMODULE module);
std::wstring path();
// The folder holding the DLL, ending in a backslash.
std::wstring folder();

void objectCreated();
void objectDestroyed();
void lock(bool lock);
bool canUnload();

// The embedded type library, loaded without registering it.
HRESULT loadTypeLibrary(ITypeLib** library);
// The cached type information of _Crateload2.
HRESULT interfaceTypeInfo(ITypeInfo** info);

}  // namespace kb::module
