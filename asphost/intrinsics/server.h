// The Server object: path mapping, object creation with the page's context,
// and the encoders.
#pragma once

#include "intrinsics/dispatch_object.h"
#include "intrinsics/page_environment.h"

#include <memory>

namespace asphost {

// Seconds a page may run unless it sets Server.ScriptTimeout, as in IIS.
inline constexpr long kDefaultScriptTimeout = 90;

class Server final : public DispatchObject {
public:
    explicit Server(std::shared_ptr<PageEnvironment> environment);

    // Server.MapPath; throws ScriptException as IIS raises its errors.
    static std::wstring mapPath(const PageEnvironment& environment, const std::wstring& path);

private:
    kb::ComPtr<IDispatch> createObject(const std::wstring& progId);

    std::shared_ptr<PageEnvironment> environment_;
    long scriptTimeout_ = kDefaultScriptTimeout;
};

// Calls OnEndPage on every object the page created that has it, then lets them go.
void endPageObjects(PageEnvironment& environment);

}  // namespace asphost
