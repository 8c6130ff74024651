// The automation interface as a script client sees it: the embedded type
// library, and IDispatch calls on a live object.
#include "component/crateload2.h"

#include "common/handles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kb {
namespace {

ComPtr<ITypeLib> ownTypeLibrary() {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    ComPtr<ITypeLib> library;
    EXPECT_EQ(::LoadTypeLibEx(exe, REGKIND_NONE, library.put()), S_OK);
    return library;
}

std::wstring docString(ITypeLib* library, ITypeInfo* info, MEMBERID id) {
    BSTR doc = nullptr;
    if (info) {
        info->GetDocumentation(id, nullptr, &doc, nullptr, nullptr);
    } else {
        library->GetDocumentation(-1, nullptr, &doc, nullptr, nullptr);
    }
    std::wstring s = doc ? doc : L"";
    ::SysFreeString(doc);
    return s;
}

TEST(Interface, LibraryAndInterfaceAttributes) {
    ComPtr<ITypeLib> library = ownTypeLibrary();
    ASSERT_TRUE(library);
    TLIBATTR* lib = nullptr;
    ASSERT_EQ(library->GetLibAttr(&lib), S_OK);
    EXPECT_EQ(lib->wMajorVerNum, 4);
    EXPECT_EQ(lib->wMinorVerNum, 0);
    EXPECT_EQ(lib->lcid, 1033u);
    library->ReleaseTLibAttr(lib);
    EXPECT_EQ(docString(library.get(), nullptr, 0), L"Kestrelbay Crateload 2.0 Component");

    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Crateload2, dispatch.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(dispatch->GetTypeAttr(&attr), S_OK);
    WORD expected = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE;
    EXPECT_EQ(attr->wTypeFlags & expected, expected);
    dispatch->ReleaseTypeAttr(attr);

    // Automation compatibility is a mark of the vtable side of the dual interface.
    HREFTYPE ref = 0;
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &ref), S_OK);
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(dispatch->GetRefTypeInfo(ref, vtable.put()), S_OK);
    ASSERT_EQ(vtable->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    vtable->ReleaseTypeAttr(attr);

    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_Crateload2, coclass.put()), S_OK);
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
    coclass->ReleaseTypeAttr(attr);
}

// A property put's value keeps no name in a widl type library, and scripts
// never pass it by name; only the methods' argument names are checked.
struct Member {
    const wchar_t* name;
    MEMBERID id;
    INVOKEKIND kind;
    std::vector<std::wstring> params;
};

TEST(Interface, MembersInVtableOrder) {
    const auto M = INVOKE_FUNC, PUT = INVOKE_PROPERTYPUT, GET = INVOKE_PROPERTYGET;
    const Member members[] = {
        {L"onStartPage", 0x6003005D, M, {L"SContext"}},
        {L"getTempFilePath", 0x60030060, M, {}},
        {L"hideResponse", 0x6803005C, PUT, {}},
        {L"hideResponse", 0x6803005C, GET, {}},
        {L"sourceFileList", 0, PUT, {}},
        {L"sourceFileList", 0, GET, {}},
        {L"zipFileName", 0x6803005B, PUT, {}},
        {L"zipFileName", 0x6803005B, GET, {}},
        {L"compressionRate", 0x6803005A, PUT, {}},
        {L"compressionRate", 0x6803005A, GET, {}},
        {L"encryptString", 0x68030059, PUT, {}},
        {L"encryptString", 0x68030059, GET, {}},
        {L"recurseDirs", 0x68030058, PUT, {}},
        {L"recurseDirs", 0x68030058, GET, {}},
        {L"deleteOriginalFiles", 0x68030057, PUT, {}},
        {L"deleteOriginalFiles", 0x68030057, GET, {}},
        {L"virtualTargetRoot", 0x68030056, PUT, {}},
        {L"virtualTargetRoot", 0x68030056, GET, {}},
        {L"daysOldToDelete", 0x68030055, PUT, {}},
        {L"daysOldToDelete", 0x68030055, GET, {}},
        {L"fileListRoot", 0x68030054, PUT, {}},
        {L"fileListRoot", 0x68030054, GET, {}},
        {L"beforeFileHTML", 0x68030053, PUT, {}},
        {L"beforeFileHTML", 0x68030053, GET, {}},
        {L"afterFileHTML", 0x68030052, PUT, {}},
        {L"afterFileHTML", 0x68030052, GET, {}},
        {L"zipfileDownloadHref", 0x68030051, GET, {}},
        {L"zipIsBusy", 0x68030050, GET, {}},
        {L"doZip", 0x60030066, M, {L"ErrorNumber", L"ErrorText"}},
        {L"deleteOldFiles", 0x60030067, M, {}},
        {L"fileListing", 0x6003006A, M, {L"FileSpecification"}},
    };

    ComPtr<ITypeLib> library = ownTypeLibrary();
    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Crateload2, dispatch.put()), S_OK);
    // The vtable side of the dual interface.
    HREFTYPE ref = 0;
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &ref), S_OK);
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(dispatch->GetRefTypeInfo(ref, vtable.put()), S_OK);

    TYPEATTR* attr = nullptr;
    ASSERT_EQ(vtable->GetTypeAttr(&attr), S_OK);
    ASSERT_EQ(attr->cFuncs, static_cast<WORD>(std::size(members)));
    vtable->ReleaseTypeAttr(attr);

    for (UINT i = 0; i < std::size(members); ++i) {
        const Member& m = members[i];
        FUNCDESC* f = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(i, &f), S_OK);
        EXPECT_EQ(f->memid, m.id) << i;
        EXPECT_EQ(f->invkind, m.kind) << i;
        EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << i;

        BSTR names[8] = {};
        UINT count = 0;
        vtable->GetNames(f->memid, names, 8, &count);
        EXPECT_STREQ(names[0], m.name) << i;
        EXPECT_GE(count, m.params.size() + 1) << m.name;
        for (size_t p = 0; p < m.params.size() && p + 1 < count; ++p) {
            EXPECT_EQ(std::wstring(names[p + 1]), m.params[p]) << m.name;
        }
        for (UINT n = 0; n < count; ++n) ::SysFreeString(names[n]);
        vtable->ReleaseFuncDesc(f);
    }
}

TEST(Interface, OptionalParameters) {
    ComPtr<ITypeLib> library = ownTypeLibrary();
    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Crateload2, dispatch.put()), S_OK);
    ComPtr<ITypeComp> comp;
    ASSERT_EQ(dispatch->GetTypeComp(comp.put()), S_OK);
    auto func = [&](const wchar_t* name, FUNCDESC** f, ITypeInfo** owner) {
        DESCKIND kind;
        BINDPTR bind;
        ULONG hash = ::LHashValOfNameSys(SYS_WIN32, LOCALE_USER_DEFAULT, name);
        ASSERT_EQ(comp->Bind(const_cast<LPOLESTR>(name), hash, INVOKE_FUNC, owner, &kind, &bind), S_OK);
        ASSERT_EQ(kind, DESCKIND_FUNCDESC);
        *f = bind.lpfuncdesc;
    };

    FUNCDESC* f = nullptr;
    ComPtr<ITypeInfo> owner;
    func(L"doZip", &f, owner.put());
    ASSERT_GE(f->cParams, 2);
    USHORT first = f->lprgelemdescParam[0].paramdesc.wParamFlags;
    USHORT second = f->lprgelemdescParam[1].paramdesc.wParamFlags;
    EXPECT_TRUE(first & PARAMFLAG_FOPT);
    EXPECT_TRUE(first & PARAMFLAG_FHASDEFAULT);
    EXPECT_TRUE(second & PARAMFLAG_FOPT);
    EXPECT_EQ(f->lprgelemdescParam[0].tdesc.vt, VT_PTR);
    owner->ReleaseFuncDesc(f);

    func(L"fileListing", &f, owner.put());
    EXPECT_TRUE(f->lprgelemdescParam[0].paramdesc.wParamFlags & PARAMFLAG_FOPT);
    owner->ReleaseFuncDesc(f);
}

TEST(Interface, HelpStringsKeepTheirWording) {
    ComPtr<ITypeLib> library = ownTypeLibrary();
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Crateload2, info.put()), S_OK);
    EXPECT_EQ(docString(library.get(), info.get(), 0x60030067),
              L"Removes all unique download directories and their content  that are older that daysOldToDelete, "
              L"for a specified virtual target root.");
    EXPECT_EQ(docString(library.get(), info.get(), 0x6003006A),
              L"Provides a listing of files in the directory specified in filelListRoot which match the "
              L"pattern parameter.");
    EXPECT_EQ(docString(library.get(), info.get(), 0x68030050), L"");
}

ComPtr<IDispatch> newObject() {
    auto* object = new Crateload2();
    ComPtr<IDispatch> dispatch;
    object->QueryInterface(IID_IDispatch, dispatch.putVoid());
    object->Release();
    return dispatch;
}

TEST(Interface, DefaultMemberIsTheSourceList) {
    ComPtr<IDispatch> dispatch = newObject();

    UniqueVariant value;
    V_VT(value.get()) = VT_BSTR;
    V_BSTR(value.get()) = ::SysAllocString(L"/files/a.txt");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{value.get(), &named, 1, 1};
    ASSERT_EQ(dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr),
              S_OK);

    UniqueVariant read;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, read.get(), nullptr, nullptr),
              S_OK);
    EXPECT_STREQ(V_BSTR(read.get()), L"/files/a.txt");

    DISPID id = -1;
    LPOLESTR name = const_cast<LPOLESTR>(L"SOURCEFILELIST");
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, DISPID_VALUE);
}

TEST(Interface, UnconvertibleValueIsATypeErrorNotAChange) {
    ComPtr<IDispatch> dispatch = newObject();

    UniqueVariant value;
    V_VT(value.get()) = VT_BSTR;
    V_BSTR(value.get()) = ::SysAllocString(L"fast");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{value.get(), &named, 1, 1};
    HRESULT hr = dispatch->Invoke(0x6803005A, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr);
    EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
    short rate = 0;
    ComPtr<_Crateload2> typed;
    ASSERT_EQ(dispatch->QueryInterface(IID__Crateload2, typed.putVoid()), S_OK);
    typed->get_compressionRate(&rate);
    EXPECT_EQ(rate, 5);
}

}  // namespace
}  // namespace kb
