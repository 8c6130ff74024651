#include "component/variant_args.h"

#include "common/handles.h"

#include <gtest/gtest.h>

namespace kb {
namespace {

VARIANT shortValue(short n) {
    VARIANT v;
    V_VT(&v) = VT_I2;
    V_I2(&v) = n;
    return v;
}

TEST(VariantArgs, OutArgumentThroughEveryKindOfReference) {
    VARIANT value = shortValue(24);

    // A script variable: a reference to a variant.
    UniqueVariant variable;
    V_VT(variable.get()) = VT_BSTR;
    V_BSTR(variable.get()) = ::SysAllocString(L"old");
    VARIANT byRef;
    V_VT(&byRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byRef) = variable.get();
    writeOutArg(&byRef, value);
    EXPECT_EQ(V_VT(variable.get()), VT_I2);
    EXPECT_EQ(V_I2(variable.get()), 24);

    // A typed reference keeps its type.
    BSTR text = ::SysAllocString(L"old");
    VARIANT typed;
    V_VT(&typed) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&typed) = &text;
    writeOutArg(&typed, value);
    EXPECT_STREQ(text, L"24");
    ::SysFreeString(text);

    // A value passed directly.
    UniqueVariant direct;
    writeOutArg(direct.get(), value);
    EXPECT_EQ(V_I2(direct.get()), 24);

    // An omitted argument stays as it is.
    VARIANT omitted;
    V_VT(&omitted) = VT_ERROR;
    V_ERROR(&omitted) = DISP_E_PARAMNOTFOUND;
    writeOutArg(&omitted, value);
    EXPECT_EQ(V_VT(&omitted), VT_ERROR);
    EXPECT_TRUE(isOmitted(&omitted));
}

TEST(VariantArgs, OptionalString) {
    VARIANT omitted;
    V_VT(&omitted) = VT_ERROR;
    V_ERROR(&omitted) = DISP_E_PARAMNOTFOUND;
    EXPECT_EQ(optionalStringArg(&omitted), L"");
    EXPECT_EQ(optionalStringArg(nullptr), L"");

    UniqueVariant null;
    V_VT(null.get()) = VT_NULL;
    EXPECT_EQ(optionalStringArg(null.get()), L"");

    UniqueVariant text;
    V_VT(text.get()) = VT_BSTR;
    V_BSTR(text.get()) = ::SysAllocString(L"*.zip");
    VARIANT byRef;
    V_VT(&byRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byRef) = text.get();
    EXPECT_EQ(optionalStringArg(&byRef), L"*.zip");
}

}  // namespace
}  // namespace kb
