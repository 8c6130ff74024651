#include "log/failure_log.h"

#include "common/clock.h"
#include "common/handles.h"
#include "common/registry.h"
#include "common/text.h"
#include "log/log_line.h"
#include "kbaycl20_events.h"

#include <windows.h>

namespace kb::log {

namespace {

void reportEvent(const Failure& failure, const Occasion& occasion) {
    // Without a registered source the system still records the event; the
    // registration only lends it our message file.
    UniqueEventSource source(::RegisterEventSourceW(nullptr, kEventSource));
    if (!source) return;
    std::wstring text = eventText(failure, occasion);
    const wchar_t* strings[] = {text.c_str()};
    bool refusal = failure.status == Failure::kNoStatus;
    ::ReportEventW(source.get(), refusal ? EVENTLOG_WARNING_TYPE : EVENTLOG_ERROR_TYPE, 0,
                   refusal ? KB_EVENT_REFUSAL : KB_EVENT_FAILURE, nullptr, 1, 0, strings, nullptr);
}

}  // namespace

std::wstring logFilePath() {
    return firstMachineSetting(settingPath(kLogFileSetting)).value_or(std::wstring());
}

bool appendLine(const std::wstring& path, const std::wstring& line) {
    // Append-only access: every write lands at the end, so lines from pages
    // running at the same time do not overwrite one another.
    UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string bytes = toUtf8(line + L"\r\n");
    DWORD written = 0;
    return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

void logFailure(const Failure& failure, const std::wstring& pagePath) noexcept {
    try {
        Occasion occasion{localNow(), ::GetCurrentProcessId(), pagePath};
        try {
            reportEvent(failure, occasion);
        } catch (...) {
        }
        std::wstring path = logFilePath();
        if (!path.empty()) appendLine(path, logLine(failure, occasion));
    } catch (...) {
        // The record is lost; the operation's outcome stands.
    }
}

}  // namespace kb::log
