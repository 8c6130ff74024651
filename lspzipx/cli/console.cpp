#include "cli/console.h"

#include "common/handles.h"
#include "common/text.h"

#include <cwchar>
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

// The prompt where the one typing will see it: on the console itself when
// the input is one, though the error stream may go to a file.
void prompt(HANDLE input, const wchar_t* text) {
    if (isConsole(input)) {
        kb::UniqueFile console(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD written = 0;
        if (console && ::WriteConsoleW(console.get(), text, static_cast<DWORD>(wcslen(text)), &written, nullptr)) {
            return;
        }
    }
    writeErr(text);
}

std::optional<std::wstring> decodedText(std::string bytes) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    if (bytes.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n > 0) {
        std::wstring text(static_cast<size_t>(n), L'\0');
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
        return text;
    }
    return kb::fromAnsiExact(bytes);
}

std::optional<std::wstring> readAll(HANDLE input) {
    if (isConsole(input)) {
        // Until Ctrl+Z, as the console ends its input.
        std::wstring text;
        wchar_t chunk[512];
        DWORD got = 0;
        while (::ReadConsoleW(input, chunk, 512, &got, nullptr) && got > 0) {
            text.append(chunk, got);
            size_t end = text.find(L'\x1a');
            if (end != std::wstring::npos) {
                text.erase(end);
                break;
            }
        }
        return text;
    }
    std::string bytes;
    std::vector<char> chunk(65536);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(input, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
            // A pipe whose writer has closed it has ended, not failed.
            if (::GetLastError() == ERROR_BROKEN_PIPE) break;
            return std::nullopt;
        }
        if (got == 0) break;
        bytes.append(chunk.data(), got);
    }
    return decodedText(std::move(bytes));
}

}  // namespace

std::optional<std::vector<std::wstring>> readLines(const std::wstring& path) {
    std::optional<std::wstring> text;
    if (path.empty()) {
        HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
        if (input == INVALID_HANDLE_VALUE || !input) return std::nullopt;
        text = readAll(input);
    } else {
        kb::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return std::nullopt;
        text = readAll(file.get());
    }
    if (!text) return std::nullopt;
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text->size()) {
        size_t end = text->find(L'\n', start);
        if (end == std::wstring::npos) end = text->size();
        std::wstring line = text->substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (!line.empty()) lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

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

std::optional<std::wstring> readPassword(const wchar_t* text) {
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == INVALID_HANDLE_VALUE || !input) {
        writeErr(text);
        return std::nullopt;
    }
    prompt(input, text);
    return isConsole(input) ? readConsoleLine(input) : readStreamLine(input);
}

}  // namespace lsz::cli
