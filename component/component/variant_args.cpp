#include "component/variant_args.h"

#include "common/errors.h"
#include "common/handles.h"
#include "component/dispatch_call.h"

namespace kb {

namespace {

// The variant that actually holds the caller's value.
VARIANT* target(VARIANT* arg) {
    while (arg && V_VT(arg) == (VT_BYREF | VT_VARIANT)) arg = V_VARIANTREF(arg);
    return arg;
}

}  // namespace

bool isOmitted(const VARIANT* arg) {
    const VARIANT* v = target(const_cast<VARIANT*>(arg));
    return !v || (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND);
}

std::wstring optionalStringArg(const VARIANT* arg) {
    if (isOmitted(arg)) return {};
    return variantToString(*target(const_cast<VARIANT*>(arg)));
}

void writeOutArg(VARIANT* arg, const VARIANT& value) {
    if (isOmitted(arg)) return;
    VARIANT* v = target(arg);
    if (!(V_VT(v) & VT_BYREF)) {
        throwIfFailed(::VariantCopy(v, const_cast<VARIANT*>(&value)));
        return;
    }
    // A typed reference keeps its type: convert, then store through it.
    VARTYPE type = V_VT(v) & ~VT_BYREF;
    UniqueVariant converted;
    throwIfFailed(::VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, type));
    switch (type) {
    case VT_I2: *V_I2REF(v) = V_I2(converted.get()); break;
    case VT_I4: *V_I4REF(v) = V_I4(converted.get()); break;
    case VT_R8: *V_R8REF(v) = V_R8(converted.get()); break;
    case VT_BOOL: *V_BOOLREF(v) = V_BOOL(converted.get()); break;
    case VT_BSTR: {
        UniqueBstr old(*V_BSTRREF(v));
        *V_BSTRREF(v) = V_BSTR(converted.get());
        V_VT(converted.get()) = VT_EMPTY;  // ownership moved to the caller
        break;
    }
    default: throw HResultError(DISP_E_TYPEMISMATCH);
    }
}

}  // namespace kb
