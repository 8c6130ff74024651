#include "component/asp_page.h"

#include "common/errors.h"
#include "component/dispatch_call.h"

namespace kb {

void AspPage::writeHtml(const std::wstring& text) {
    try {
        if (hidden_ || !context_) return;
        ComPtr<IDispatch> response = getObject(context_, L"Response");
        callWithString(response.get(), L"Write", text + kLineBreak, nullptr);

        // A buffered response is flushed after every fragment, so that the
        // progress line reaches the browser before a long compression.
        UniqueVariant buffered;
        getValue(response.get(), L"Buffer", buffered.get());
        throwIfFailed(::VariantChangeType(buffered.get(), buffered.get(), 0, VT_BOOL));
        if (V_BOOL(buffered.get())) {
            invokeByName(response.get(), L"Flush", DISPATCH_METHOD, nullptr, 0, nullptr);
        }
    } catch (...) {
    }
}

std::wstring AspPage::scriptName() noexcept {
    try {
        if (!context_) return {};
        ComPtr<IDispatch> request = getObject(context_, L"Request");
        UniqueVariant name;
        callWithString(request.get(), L"ServerVariables", L"SCRIPT_NAME", name.get());
        return variantToString(*name.get());
    } catch (...) {
        return {};
    }
}

std::wstring AspPage::mapPath(const std::wstring& virtualPath) {
    if (!context_) throw HResultError(E_POINTER);
    ComPtr<IDispatch> server = getObject(context_, L"Server");
    UniqueVariant mapped;
    callWithString(server.get(), L"MapPath", virtualPath, mapped.get());
    return variantToString(*mapped.get());
}

}  // namespace kb
