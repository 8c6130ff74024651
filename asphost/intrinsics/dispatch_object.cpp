#include "intrinsics/dispatch_object.h"

#include "common/errors.h"
#include "common/file_names.h"
#include "common/text.h"
#include "intrinsics/page_deadline.h"

#include <algorithm>
#include <new>

namespace asphost {

using kb::ComPtr;
using kb::UniqueVariant;

namespace {

const VARIANT& lookThrough(const VARIANT& v) {
    if (V_VT(&v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&v)) return *V_VARIANTREF(&v);
    return v;
}

bool isMissing(const VARIANT& v) { return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND; }

class Enumerator final : public kb::ComObject<IEnumVARIANT, IID_IEnumVARIANT> {
public:
    Enumerator(std::vector<std::wstring> items, size_t at) : ComObject(0), items_(std::move(items)), at_(at) {}

    STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        return kb::guarded([&] {
            ULONG n = 0;
            for (; n < count && at_ < items_.size(); ++n, ++at_) {
                V_VT(&out[n]) = VT_BSTR;
                V_BSTR(&out[n]) = kb::toBstr(items_[at_]);
            }
            if (fetched) *fetched = n;
            return n == count ? S_OK : S_FALSE;
        });
    }
    STDMETHODIMP Skip(ULONG count) override {
        at_ = std::min<size_t>(items_.size(), at_ + count);
        return at_ < items_.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        at_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** out) override {
        return kb::guarded([&] {
            if (!out) return E_POINTER;
            *out = new Enumerator(items_, at_);
            (*out)->AddRef();
            return S_OK;
        });
    }

private:
    std::vector<std::wstring> items_;
    size_t at_;
};

}  // namespace

std::wstring variantText(const VARIANT& given) {
    const VARIANT& v = lookThrough(given);
    switch (V_VT(&v)) {
    case VT_EMPTY:
    case VT_NULL:
        return {};
    case VT_BSTR:
        return kb::fromBstr(V_BSTR(&v));
    case VT_DISPATCH: {
        if (!V_DISPATCH(&v)) return {};
        UniqueVariant value;
        DISPPARAMS none{};
        kb::throwIfFailed(V_DISPATCH(&v)->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT,
                                                 DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, value.get(), nullptr,
                                                 nullptr));
        return variantText(*value.get());
    }
    default: {
        UniqueVariant copy;
        kb::throwIfFailed(::VariantChangeTypeEx(copy.get(), const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT,
                                                VARIANT_ALPHABOOL, VT_BSTR));
        return kb::fromBstr(V_BSTR(copy.get()));
    }
    }
}

std::wstring hresultText(HRESULT code) {
    wchar_t buffer[16];
    swprintf(buffer, 16, L"%08lx", static_cast<unsigned long>(code));
    return buffer;
}

ComPtr<IEnumVARIANT> makeEnumerator(std::vector<std::wstring> items) {
    return ComPtr<IEnumVARIANT>(new Enumerator(std::move(items), 0));
}

// --- Call ---------------------------------------------------------------

Call::Call(WORD flags, DISPPARAMS* params, VARIANT* result) : flags_(flags), params_(params), result_(result) {
    if (!params) return;
    UINT named = params->cNamedArgs;
    if (isPut()) {
        if (named != 1 || !params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
            params->cArgs == 0) {
            throw kb::HResultError(DISP_E_PARAMNOTOPTIONAL);
        }
        put_ = &lookThrough(params->rgvarg[0]);
    } else if (named != 0) {
        throw kb::HResultError(DISP_E_NONAMEDARGS);
    }
    // IDispatch hands the arguments over last first.
    for (UINT i = params->cArgs; i > named; --i) args_.push_back(&lookThrough(params->rgvarg[i - 1]));
    while (!args_.empty() && isMissing(*args_.back())) args_.pop_back();
}

bool Call::has(size_t i) const { return i < args_.size() && !isMissing(*args_[i]); }

const VARIANT& Call::arg(size_t i) const {
    if (!has(i)) throw kb::HResultError(DISP_E_PARAMNOTOPTIONAL);
    return *args_[i];
}

const VARIANT& Call::value() const {
    if (!put_) throw kb::HResultError(DISP_E_PARAMNOTOPTIONAL);
    return *put_;
}

std::wstring Call::text(size_t i) const { return variantText(arg(i)); }
std::wstring Call::valueText() const { return variantText(value()); }

bool Call::valueBool() const {
    UniqueVariant b;
    kb::throwIfFailed(::VariantChangeType(b.get(), const_cast<VARIANT*>(&value()), 0, VT_BOOL));
    return V_BOOL(b.get()) != VARIANT_FALSE;
}

void Call::returnText(const std::wstring& s) {
    if (!result_) return;
    V_VT(result_) = VT_BSTR;
    V_BSTR(result_) = kb::toBstr(s);
}

void Call::returnBool(bool b) {
    if (!result_) return;
    V_VT(result_) = VT_BOOL;
    V_BOOL(result_) = b ? VARIANT_TRUE : VARIANT_FALSE;
}

void Call::returnLong(long n) {
    if (!result_) return;
    V_VT(result_) = VT_I4;
    V_I4(result_) = n;
}

void Call::returnObject(IDispatch* object) {
    if (!result_) return;
    V_VT(result_) = VT_DISPATCH;
    V_DISPATCH(result_) = object;
    if (object) object->AddRef();
}

void Call::returnVariant(const VARIANT& v) {
    if (!result_) return;
    kb::throwIfFailed(::VariantCopy(result_, const_cast<VARIANT*>(&v)));
}

void Call::forwardToDefault(IDispatch* target) {
    DISPPARAMS none{};
    kb::UniqueExcepInfo info;
    HRESULT hr = target->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, flags_, params_ ? params_ : &none, result_,
                                info.put(), nullptr);
    if (hr == DISP_E_EXCEPTION) {
        throw ScriptException{info.code(), kb::fromBstr(info.get().bstrSource), kb::fromBstr(info.get().bstrDescription)};
    }
    kb::throwIfFailed(hr);
}

// --- DispatchObject -----------------------------------------------------

STDMETHODIMP DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (count == 0) return S_OK;
    // Member names are matched in any letter case, as in IIS.
    ids[0] = DISPID_UNKNOWN;
    for (const Member& m : members_) {
        if (names[0] && kb::sameName(m.name, names[0])) {
            ids[0] = m.id;
            break;
        }
    }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    if (count > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
}

STDMETHODIMP DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO* info, UINT* badArg) {
    const Member* found = nullptr;
    for (const Member& m : members_) {
        if (m.id == id) {
            found = &m;
            break;
        }
    }
    if (!found) return DISP_E_MEMBERNOTFOUND;
    if (result) ::VariantInit(result);
    // Keep the object alive through the call, whatever the script releases meanwhile.
    ComPtr<IDispatch> self(this);
    try {
        throwIfPastDeadline();
        Call call(flags, params, result);
        found->handler(call);
        return S_OK;
    } catch (const ScriptException& e) {
        if (result) ::VariantClear(result);
        if (!info) return e.code;
        *info = EXCEPINFO{};
        info->bstrSource = ::SysAllocString(e.source.c_str());
        info->bstrDescription = ::SysAllocString(e.description.c_str());
        info->scode = e.code;
        return DISP_E_EXCEPTION;
    } catch (const kb::HResultError& e) {
        if (result) ::VariantClear(result);
        return e.code();
    } catch (const std::bad_alloc&) {
        if (result) ::VariantClear(result);
        return E_OUTOFMEMORY;
    } catch (...) {
        if (result) ::VariantClear(result);
        return E_UNEXPECTED;
    }
}

void DispatchObject::member(DISPID id, const wchar_t* name, Handler handler) {
    members_.push_back({id, name, std::move(handler)});
}

void DispatchObject::fail(const std::wstring& what, HRESULT code) const {
    throw ScriptException{code, name_ + L" object", what};
}

}  // namespace asphost
