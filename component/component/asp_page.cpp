#include "component/asp_page.h"

#include "common/errors.h"
#include "common/text.h"
#include "component/dispatch_call.h"

namespace kb {

AspPage::Writer& AspPage::writer() {
    if (!writer_) {
        Writer w;
        w.response = getObject(context_, L"Response");
        w.write = dispatchId(w.response.get(), L"Write");
        // A response that will not say whether it buffers is written unflushed.
        try {
            UniqueVariant buffered;
            getValue(w.response.get(), L"Buffer", buffered.get());
            throwIfFailed(::VariantChangeType(buffered.get(), buffered.get(), 0, VT_BOOL));
            w.buffered = V_BOOL(buffered.get()) != VARIANT_FALSE;
            if (w.buffered) w.flush = dispatchId(w.response.get(), L"Flush");
        } catch (const HResultError&) {
            w.buffered = false;
        }
        writer_ = std::move(w);
    }
    return *writer_;
}

void AspPage::writeHtml(const std::wstring& text) {
    try {
        if (hidden_ || !context_) return;
        Writer& w = writer();
        UniqueVariant line;
        V_VT(line.get()) = VT_BSTR;
        V_BSTR(line.get()) = toBstr(text + kLineBreak);
        invokeById(w.response.get(), w.write, DISPATCH_METHOD, line.get(), 1, nullptr);
        // A buffered response is flushed after every fragment, so that the
        // progress line reaches the browser before a long compression.
        if (w.buffered) invokeById(w.response.get(), w.flush, DISPATCH_METHOD, nullptr, 0, nullptr);
    } catch (...) {
        // A fragment the page cannot take is lost; the operation goes on.
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
