#include "component/dispatch_call.h"

#include "common/errors.h"
#include "common/handles.h"
#include "common/text.h"

#include <dispex.h>

#include <algorithm>
#include <vector>

namespace kb {

DISPID dispatchId(IDispatch* target, const wchar_t* name) {
    if (!target) throw HResultError(E_POINTER);
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT lookup = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(lookup)) {
        // Some script engines answer names only through IDispatchEx.
        ComPtr<IDispatchEx> ex;
        if (SUCCEEDED(target->QueryInterface(__uuidof(IDispatchEx), ex.putVoid()))) {
            UniqueBstr bname(::SysAllocString(name));
            lookup = bname ? ex->GetDispID(bname.get(), fdexNameCaseInsensitive, &id) : E_OUTOFMEMORY;
        }
    }
    throwIfFailed(lookup);
    return id;
}

void invokeById(IDispatch* target, DISPID id, WORD flags, VARIANT* args, UINT argCount, VARIANT* result) {
    // IDispatch takes its arguments last first.
    std::vector<VARIANT> reversed(args, args + argCount);
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params{reversed.data(), nullptr, argCount, 0};
    UniqueExcepInfo info;
    UINT badArg = 0;
    HRESULT hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, info.put(), &badArg);
    if (hr == DISP_E_EXCEPTION) hr = info.code();
    throwIfFailed(hr);
}

void invokeByName(IDispatch* target, const wchar_t* name, WORD flags, VARIANT* args, UINT argCount, VARIANT* result) {
    invokeById(target, dispatchId(target, name), flags, args, argCount, result);
}

ComPtr<IDispatch> getObject(IDispatch* target, const wchar_t* name) {
    UniqueVariant value;
    getValue(target, name, value.get());
    throwIfFailed(::VariantChangeType(value.get(), value.get(), 0, VT_DISPATCH));
    if (!V_DISPATCH(value.get())) throw HResultError(E_POINTER);
    return ComPtr<IDispatch>(V_DISPATCH(value.get()));
}

void getValue(IDispatch* target, const wchar_t* name, VARIANT* result) {
    invokeByName(target, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, nullptr, 0, result);
}

void callWithString(IDispatch* target, const wchar_t* name, const std::wstring& arg, VARIANT* result) {
    UniqueVariant v;
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = toBstr(arg);
    invokeByName(target, name, DISPATCH_METHOD, v.get(), 1, result);
}

std::wstring variantToString(const VARIANT& value) {
    if (V_VT(&value) == VT_EMPTY || V_VT(&value) == VT_NULL) return {};
    UniqueVariant copy;
    throwIfFailed(::VariantChangeType(copy.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR));
    return fromBstr(V_BSTR(copy.get()));
}

}  // namespace kb
