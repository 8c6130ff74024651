#include "cli/console.h"

#include "common/text.h"

#include <string>

namespace lsz::cli {

namespace {

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != FALSE;
}

// Restores the console's mode however the reading ends.
class EchoOff {
public:
    explicit EchoOff(HANDLE console) : console_(console) {
        if (::GetConsoleMode(console_, &saved_)) {
            ::SetConsoleMode(console_, saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
        }
    }
    ~EchoOff() { ::SetConsoleMode(console_, saved_); }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    HANDLE console_;
    DWORD saved_ = 0;
};

std::optional<std::wstring> readConsoleLine(HANDLE input) {
    EchoOff quiet(input);
    std::wstring line;
    for (;;) {
        wchar_t c = 0;
        DWORD got = 0;
        if (!::ReadConsoleW(input, &c, 1, &got, nullptr) || got == 0) return std::nullopt;
        if (c == L'\n') break;
        if (c != L'\r') line += c;
    }
    // The Enter key was not echoed either.
    writeText(STD_ERROR_HANDLE, L"\n");
    return line;
}

// Byte by byte, so that a second prompt finds the second line still unread.
std::optional<std::wstring> readStreamLine(HANDLE input) {
    std::string bytes;
    for (;;) {
        char c = 0;
        DWORD got = 0;
        if (!::ReadFile(input, &c, 1, &got, nullptr) || got == 0) {
            if (bytes.empty()) return std::nullopt;
            break;
        }
        if (c == '\n') break;
        if (c != '\r') bytes += c;
    }
    return kb::fromUtf8(bytes);
}

}  // namespace

void writeText(DWORD standardHandle, const std::wstring& text) {
    HANDLE out = ::GetStdHandle(standardHandle);
    if (out == INVALID_HANDLE_VALUE || !out) return;
    DWORD written = 0;
    if (isConsole(out)) {
        ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::string bytes = kb::toUtf8(text);
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::optional<std::wstring> readPassword(const wchar_t* prompt) {
    writeErr(prompt);
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == INVALID_HANDLE_VALUE || !input) return std::nullopt;
    return isConsole(input) ? readConsoleLine(input) : readStreamLine(input);
}

}  // namespace lsz::cli
