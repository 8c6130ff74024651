#include "script/script_site.h"

#include "common/errors.h"
#include "common/file_names.h"
#include "common/text.h"
#include "intrinsics/dispatch_object.h"

namespace asphost {

namespace {

// Wine's engines leave some errors without a text; the system's message
// for the code is the next best thing.
std::wstring systemMessage(HRESULT code) {
    switch (code) {
    case DISP_E_DIVBYZERO: return L"Division by zero";
    case DISP_E_OVERFLOW: return L"Overflow";
    case DISP_E_TYPEMISMATCH: return L"Type mismatch";
    case DISP_E_BADINDEX: return L"Subscript out of range";
    case DISP_E_UNKNOWNNAME: return L"Object doesn't support this property or method";
    case DISP_E_BADPARAMCOUNT: return L"Wrong number of arguments or invalid property assignment";
    default: break;
    }
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = n && text ? std::wstring(text, n) : std::wstring();
    if (text) ::LocalFree(text);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' ')) out.pop_back();
    return out;
}

}  // namespace

STDMETHODIMP ScriptSite::GetLCID(LCID* lcid) {
    if (!lcid) return E_POINTER;
    *lcid = ::GetUserDefaultLCID();
    return S_OK;
}

STDMETHODIMP ScriptSite::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) {
    if (mask & SCRIPTINFO_ITYPEINFO) {
        if (!info) return E_POINTER;
        *info = nullptr;
    }
    if (mask & SCRIPTINFO_IUNKNOWN) {
        if (!item) return E_POINTER;
        *item = nullptr;
    }
    for (auto& [itemName, object] : items_) {
        if (!kb::sameName(itemName, name)) continue;
        if (mask & SCRIPTINFO_IUNKNOWN) {
            *item = object.get();
            object->AddRef();
        }
        return (mask & SCRIPTINFO_ITYPEINFO) && !(mask & SCRIPTINFO_IUNKNOWN) ? TYPE_E_ELEMENTNOTFOUND : S_OK;
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP ScriptSite::GetDocVersionString(BSTR* version) {
    if (version) *version = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ScriptSite::OnScriptError(IActiveScriptError* error) {
    if (!error) return S_OK;
    return kb::guarded([&] {
        kb::UniqueExcepInfo info;
        error->GetExceptionInfo(info.put());
        HRESULT code = info.code();
        std::wstring source = kb::fromBstr(info.get().bstrSource);
        std::wstring description = kb::fromBstr(info.get().bstrDescription);
        if (ignoreError_ && ignoreError_(code)) return S_OK;

        DWORD context = 0;
        ULONG line = 0;
        LONG column = 0;
        error->GetSourcePosition(&context, &line, &column);

        ScriptError found;
        found.pos = positionOf(script_, static_cast<int>(line));
        if (source.empty()) {
            source = script_.language == Language::VBScript ? L"Microsoft VBScript runtime error"
                                                            : L"Microsoft JScript runtime error";
        }
        if (description.empty()) description = systemMessage(code);
        if (description.empty()) description = L"Unknown error.";
        found.message = source + L" '" + hresultText(code) + L"': " + description;
        error_ = std::move(found);
        return S_OK;
    });
}

}  // namespace asphost
