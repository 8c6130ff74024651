// What the objects of one running page share: where the site is, which page
// runs, and the objects that Server.CreateObject made for it.
#pragma once

#include "common/handles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace asphost {

struct PageEnvironment {
    std::wstring root;      // physical site root
    std::wstring pagePath;  // virtual path of the running page
    // The page's ScriptingContext while the page runs; not owned, so that
    // the context and the objects it hands out do not keep each other alive.
    IDispatch* context = nullptr;
    std::vector<kb::ComPtr<IDispatch>> created;
    uint64_t started = 0;  // GetTickCount64 when the page began, which Server.ScriptTimeout counts from
};

}  // namespace asphost
