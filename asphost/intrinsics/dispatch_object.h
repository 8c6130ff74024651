// The base of the page's intrinsic objects. IIS's objects bend the rules of a
// type library (optional arguments that change the result's type, default
// members that take a key and can be assigned), so each object answers
// IDispatch from its own table of members instead of through ITypeInfo.
#pragma once

#include "common/com_object.h"
#include "common/errors.h"
#include "common/handles.h"

#include <oaidl.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace asphost {

// Raised by a member to give the script an error with IIS's source and text.
struct ScriptException {
    HRESULT code;
    std::wstring source;
    std::wstring description;
};

// One call of a member, its arguments in the order the script wrote them.
class Call {
public:
    Call(WORD flags, DISPPARAMS* params, VARIANT* result);

    bool isPut() const { return (flags_ & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    size_t count() const { return args_.size(); }
    // An argument, with a by-reference variant looked through. Missing
    // optional arguments read as absent.
    bool has(size_t i) const;
    const VARIANT& arg(size_t i) const;
    const VARIANT& value() const;  // the assigned value of a put

    std::wstring text(size_t i) const;  // argument i as text (objects by their default value)
    std::wstring valueText() const;
    bool valueBool() const;

    void returnText(const std::wstring& s);
    void returnBool(bool b);
    void returnLong(long n);
    void returnObject(IDispatch* object);
    void returnVariant(const VARIANT& v);

    // Hands the whole call, arguments and all, to the default member of
    // target, passing its errors on unchanged.
    void forwardToDefault(IDispatch* target);

private:
    WORD flags_;
    DISPPARAMS* params_;
    std::vector<const VARIANT*> args_;
    const VARIANT* put_ = nullptr;
    VARIANT* result_;
};

class DispatchObject : public kb::ComObject<IDispatch, IID_IDispatch> {
public:
    explicit DispatchObject(std::wstring name) : ComObject(0), name_(std::move(name)) {}

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                        UINT* badArg) override;

protected:
    ~DispatchObject() override = default;
    using Handler = std::function<void(Call&)>;
    void member(DISPID id, const wchar_t* name, Handler handler);
    // Raises an error in the script, named after this object as IIS names its errors.
    [[noreturn]] void fail(const std::wstring& what, HRESULT code = E_FAIL) const;

private:
    struct Member {
        DISPID id;
        std::wstring name;
        Handler handler;
    };
    std::wstring name_;
    std::vector<Member> members_;
};

// A new object held by a counted pointer.
template <typename T, typename... Args>
kb::ComPtr<T> make(Args&&... args) {
    return kb::ComPtr<T>(new T(std::forward<Args>(args)...));
}

// A script value as text: Empty and Null are "", booleans "True"/"False",
// objects their default value.
std::wstring variantText(const VARIANT& value);

// An error code as IIS prints it: eight lower-case hex digits.
std::wstring hresultText(HRESULT code);

// An enumerator over a fixed list of values, for For Each.
kb::ComPtr<IEnumVARIANT> makeEnumerator(std::vector<std::wstring> items);

}  // namespace asphost
