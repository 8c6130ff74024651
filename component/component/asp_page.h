// The Page of an ASP ScriptingContext: Response for output, Server for paths.
#pragma once

#include "common/handles.h"
#include "page/page.h"

#include <oaidl.h>

#include <optional>

namespace kb {

class AspPage final : public Page {
public:
    // context may be null (no page); hidden silences every write.
    AspPage(IDispatch* context, bool hidden) : context_(context), hidden_(hidden) {}

    void writeHtml(const std::wstring& text) override;
    std::wstring mapPath(const std::wstring& virtualPath) override;
    // The page's own path in the site (its SCRIPT_NAME); "" when there is
    // no page or it will not say. Never throws.
    std::wstring scriptName() noexcept;

private:
    // Response and the members writeHtml calls, looked up on its first
    // write and kept for the rest of the operation: a listing writes a
    // fragment for every name.
    struct Writer {
        ComPtr<IDispatch> response;
        DISPID write = 0;
        DISPID flush = 0;
        bool buffered = false;
    };
    Writer& writer();

    IDispatch* context_;
    bool hidden_;
    std::optional<Writer> writer_;
};

}  // namespace kb
