#include "intrinsics/server.h"

#include "common/file_names.h"
#include "common/text.h"
#include "intrinsics/page_deadline.h"
#include "paths/virtual_path.h"
#include "web/url_encoding.h"

namespace asphost {

using kb::ComPtr;

namespace {

enum : DISPID { kMapPath = 1, kCreateObject, kHTMLEncode, kURLEncode, kScriptTimeout };

// Calls a method by name when the object has it; false when it has not.
bool callIfPresent(IDispatch* object, const wchar_t* name, IDispatch* argument, HRESULT& hr) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
    // The context goes by value, as IIS passes it: automation will not turn
    // a variant reference into the interface reference the method declares.
    VARIANT arg;
    V_VT(&arg) = VT_DISPATCH;
    V_DISPATCH(&arg) = argument;
    DISPPARAMS params{&arg, nullptr, argument ? 1u : 0u, 0};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    return true;
}

}  // namespace

Server::Server(std::shared_ptr<PageEnvironment> environment)
    : DispatchObject(L"Server"), environment_(std::move(environment)) {
    member(kMapPath, L"MapPath", [this](Call& c) { c.returnText(mapPath(*environment_, c.text(0))); });
    member(kCreateObject, L"CreateObject", [this](Call& c) { c.returnObject(createObject(c.text(0)).get()); });
    member(kHTMLEncode, L"HTMLEncode", [](Call& c) { c.returnText(kb::htmlEscape(c.text(0))); });
    member(kURLEncode, L"URLEncode", [](Call& c) { c.returnText(urlEncode(c.text(0))); });
    member(kScriptTimeout, L"ScriptTimeout", [this](Call& c) {
        if (!c.isPut()) return c.returnLong(scriptTimeout_);
        scriptTimeout_ = std::wcstol(c.valueText().c_str(), nullptr, 10);
        // The limit counts from the page's start; a value that is no number
        // of seconds leaves it where it was.
        PageDeadline* deadline = pageDeadline();
        if (deadline && scriptTimeout_ > 0) {
            deadline->store(environment_->started + static_cast<uint64_t>(scriptTimeout_) * 1000);
        }
    });
}

std::wstring Server::mapPath(const PageEnvironment& environment, const std::wstring& path) {
    if (kb::isPhysicalPath(path)) {
        throw ScriptException{E_FAIL, L"Server.MapPath()",
                              L"ASP 0172: Invalid Path. The Path parameter for the MapPath method must be a virtual path. "
                              L"A physical path was used."};
    }
    std::optional<std::wstring> resolved = resolveVirtualPath(environment.pagePath, path);
    if (!resolved) {
        throw ScriptException{E_FAIL, L"Server.MapPath()",
                              L"ASP 0175: Disallowed Path Characters. The '..' characters are not allowed in the Path "
                              L"parameter for the MapPath method when they lead above the site root."};
    }
    return physicalPath(environment.root, *resolved);
}

ComPtr<IDispatch> Server::createObject(const std::wstring& progId) {
    CLSID clsid;
    HRESULT hr = progId.starts_with(L"{") ? ::CLSIDFromString(progId.c_str(), &clsid) : ::CLSIDFromProgID(progId.c_str(), &clsid);
    if (FAILED(hr)) {
        throw ScriptException{hr, L"Server object", L"ASP 0177 : " + hresultText(hr) + L". Server.CreateObject Failed: invalid class string '" + progId + L"'."};
    }
    ComPtr<IDispatch> object;
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch, object.putVoid());
    if (FAILED(hr)) {
        throw ScriptException{hr, L"Server object", L"ASP 0177 : " + hresultText(hr) + L". Server.CreateObject Failed for '" + progId + L"'."};
    }
    if (callIfPresent(object.get(), L"OnStartPage", environment_->context, hr) && FAILED(hr)) {
        throw ScriptException{hr, L"Server object", L"ASP 0241 : " + hresultText(hr) + L". The OnStartPage method of '" + progId + L"' failed."};
    }
    environment_->created.push_back(object);
    return object;
}

void endPageObjects(PageEnvironment& environment) {
    for (ComPtr<IDispatch>& object : environment.created) {
        HRESULT ignored;
        callIfPresent(object.get(), L"OnEndPage", nullptr, ignored);
    }
    environment.created.clear();
}

}  // namespace asphost
