// The Page of an ASP ScriptingContext: Response for output, Server for paths.
#pragma once

#include "page/page.h"

#include <oaidl.h>

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
    IDispatch* context_;
    bool hidden_;
};

}  // namespace kb
