#include "log/log_line.h"

#include "common/text.h"

#include <cwchar>

namespace kb::log {

namespace {

// A field as the line can hold it.
std::wstring field(std::wstring_view value) {
    if (value.empty()) return L"-";
    std::wstring out(value);
    for (auto& c : out) {
        if (c < L' ' || c == 0x7F) c = L' ';
    }
    return out;
}

std::wstring statusField(const Failure& failure) {
    return failure.status == Failure::kNoStatus ? L"-" : std::to_wstring(failure.status);
}

}  // namespace

std::wstring reasonText(DWORD error) {
    if (error == 0) return {};
    wchar_t number[16];
    // HRESULTs read best in hex, Win32 errors in decimal.
    std::swprintf(number, 16, (error & 0x80000000u) ? L"0x%08lX" : L"%lu", static_cast<unsigned long>(error));
    return systemErrorText(error) + L" (" + number + L")";
}

std::wstring logLine(const Failure& failure, const Occasion& occasion) {
    const LocalTime& t = occasion.when;
    wchar_t when[32];
    std::swprintf(when, 32, L"%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    std::wstring fields[] = {when,
                             L"pid " + std::to_wstring(occasion.processId),
                             field(failure.operation),
                             field(occasion.pagePath),
                             statusField(failure),
                             field(failure.message),
                             field(failure.path),
                             field(reasonText(failure.systemError))};
    std::wstring line;
    for (const auto& f : fields) line += (line.empty() ? L"" : L"\t") + f;
    return line;
}

std::wstring eventText(const Failure& failure, const Occasion& occasion) {
    std::wstring text = failure.operation + L" failed";
    if (!occasion.pagePath.empty()) text += L" on the page " + occasion.pagePath;
    text += L".\r\nStatus: " + statusField(failure) + L" " + failure.message;
    if (!failure.path.empty()) text += L"\r\nPath: " + failure.path;
    if (failure.systemError) text += L"\r\nReason: " + reasonText(failure.systemError);
    return text;
}

}  // namespace kb::log
