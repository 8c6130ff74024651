// A folder's web.config: any bytes are read without a fault; a file that is
// refused leaves the settings as they were; and no header it gives can
// split the answer's head.
#include "config/web_config.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool same(const asphost::FolderConfig& a, const asphost::FolderConfig& b) {
    return a.runsPages == b.runsPages && a.staticCleared == b.staticCleared && a.staticTypes == b.staticTypes &&
           a.headers == b.headers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    asphost::FolderConfig config;
    config.staticTypes = {{".zip", "application/zip"}};
    config.headers = {{"X-A", "1"}};
    const asphost::FolderConfig before = config;
    if (!asphost::applyWebConfig(std::string_view(reinterpret_cast<const char*>(data), size), config)) {
        if (!same(config, before)) std::abort();
        return 0;
    }
    for (const auto& [name, value] : config.headers) {
        if (name.empty() || name.find_first_of("\r\n: ") != std::string::npos) std::abort();
        if (value.find_first_of("\r\n") != std::string::npos) std::abort();
    }
    for (const auto& [ext, type] : config.staticTypes) {
        if (type && type->find_first_of("\r\n") != std::string::npos) std::abort();
    }
    return 0;
}
