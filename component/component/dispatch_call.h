// Late-bound calls on the page's objects. ASP's objects are dual and answer
// these names through IDispatch, as does any test double written in script.
#pragma once

#include "common/handles.h"

#include <string>

namespace kb {

// Invokes name on target with the given arguments (in the order a script
// writes them) and returns the result. Throws HResultError when the name is
// unknown or the call fails.
void invokeByName(IDispatch* target, const wchar_t* name, WORD flags, VARIANT* args, UINT argCount, VARIANT* result);

// The two halves of invokeByName, for a caller that calls one name often.
DISPID dispatchId(IDispatch* target, const wchar_t* name);
void invokeById(IDispatch* target, DISPID id, WORD flags, VARIANT* args, UINT argCount, VARIANT* result);

ComPtr<IDispatch> getObject(IDispatch* target, const wchar_t* name);
void getValue(IDispatch* target, const wchar_t* name, VARIANT* result);
void callWithString(IDispatch* target, const wchar_t* name, const std::wstring& arg, VARIANT* result);

// Converts a script value to a string ("" for Empty and Null).
std::wstring variantToString(const VARIANT& value);

}  // namespace kb
