#include "log/log_line.h"

#include "common/text.h"

#include <cwchar>

namespace kb::log {

namespace {

// Characters that end a line or a record for some reader: C0 and C1
// controls (tab, CR, LF and NEL among them) and the Unicode line and
// paragraph separators. "<" is shown too, so that a visitor cannot type
// what looks like one of these escapes.
bool needsEscape(wchar_t c) {
    return c < L' ' || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == L'<';
}

// A field as the line can hold it.
std::wstring field(std::wstring_view value) { return value.empty() ? L"-" : shownText(value); }

std::wstring statusField(const Failure& failure) {
    return failure.status == Failure::kNoStatus ? L"-" : std::to_wstring(failure.status);
}

}  // namespace

std::wstring shownText(std::wstring_view value) {
    std::wstring out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        wchar_t c = value[i];
        // A leading quote makes a CSV reader join rows until the next one.
        if (needsEscape(c) || (i == 0 && c == L'"')) {
            wchar_t escaped[12];
            std::swprintf(escaped, 12, L"<U+%04X>", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

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
    std::wstring text = shownText(failure.operation) + L" failed";
    if (!occasion.pagePath.empty()) text += L" on the page " + shownText(occasion.pagePath);
    text += L".\r\nStatus: " + statusField(failure) + L" " + shownText(failure.message);
    if (!failure.path.empty()) text += L"\r\nPath: " + shownText(failure.path);
    if (failure.systemError) text += L"\r\nReason: " + reasonText(failure.systemError);
    return text;
}

}  // namespace kb::log
