// The host side of IActiveScript: hands the engine the page's named objects
// and catches its errors with their page positions.
#pragma once

#include "common/com_object.h"
#include "common/handles.h"
#include "page/script_builder.h"

#include <activscp.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace asphost {

struct ScriptError {
    SourcePos pos;
    std::wstring message;
};

// It lives on its creator's stack.
class ScriptSite final : public kb::ComObject<IActiveScriptSite, IID_IActiveScriptSite> {
public:
    // ignoreError: true for errors that are not faults (the page ended itself).
    ScriptSite(const PageScript& script, std::function<bool(HRESULT)> ignoreError)
        : ComObject(1, kb::Lifetime::Stack), script_(script), ignoreError_(std::move(ignoreError)) {}

    void addItem(const wchar_t* name, IUnknown* object) { items_.emplace_back(name, kb::ComPtr<IUnknown>(object)); }
    // The last error the engine reported. The engine also reports errors
    // that a caller handled (a script object called back by a component
    // that raised), so only a failed run makes it the page's error.
    const std::optional<ScriptError>& lastError() const { return error_; }
    void releaseItems() { items_.clear(); }

    STDMETHODIMP GetLCID(LCID* lcid) override;
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override;
    STDMETHODIMP GetDocVersionString(BSTR* version) override;
    STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
    STDMETHODIMP OnScriptError(IActiveScriptError* error) override;
    STDMETHODIMP OnEnterScript() override { return S_OK; }
    STDMETHODIMP OnLeaveScript() override { return S_OK; }

private:
    const PageScript& script_;
    std::function<bool(HRESULT)> ignoreError_;
    std::vector<std::pair<std::wstring, kb::ComPtr<IUnknown>>> items_;
    std::optional<ScriptError> error_;
};

}  // namespace asphost
