#include "policy/setting_report.h"

#include "log/failure_log.h"

#include <mutex>
#include <set>

namespace kb::policy {

void reportNotUnderstoodOnce(const std::wstring& path, REGSAM view, const std::wstring& message) noexcept {
    static std::mutex mutex;
    static std::set<std::wstring> reported;
    try {
        bool wow32 = view == KEY_WOW64_32KEY;
        std::wstring where = L"HKEY_LOCAL_MACHINE\\" + path + (wow32 ? L" (32-bit view)" : L" (64-bit view)");
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!reported.insert(where).second) return;
        }
        log::logFailure({L"registry", Failure::kNoStatus, message, where, 0}, L"");
    } catch (...) {
        // Without memory for the note the report is lost; the reading stands.
    }
}

}  // namespace kb::policy
