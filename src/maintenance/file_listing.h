// The HTML listing of the files of one directory.
#pragma once

#include "component/page.h"
#include "component/state.h"

#include <oaidl.h>

namespace kb {

// Writes beforeFileHTML + name + afterFileHTML for each ordinary file that
// matches the pattern in fileSpecification ("*.*" when it is omitted or
// empty), in the file system's order, and returns how many it wrote.
short listFiles(const ComponentState& state, Page& page, const VARIANT* fileSpecification);

}  // namespace kb
