#include "common/temp_directory.h"

#include "common/file_system.h"
#include "common/text.h"

#include <windows.h>

namespace kb {

std::wstring chooseTempDirectory(const std::wstring& probe, const std::optional<std::wstring>& systemTemp,
                                 const std::wstring& currentDirectory) {
    if (!probe.empty()) return probe;
    if (systemTemp && !systemTemp->empty()) return withTrailingBackslash(*systemTemp);
    return withTrailingBackslash(currentDirectory);
}

std::wstring probeTempDir() {
    try {
        return firstFile(std::wstring(kFixedTempDirectory) + L"*.*").empty() ? std::wstring() : kFixedTempDirectory;
    } catch (...) {
        return {};
    }
}

namespace {

std::optional<std::wstring> systemTempPath() {
    // A path that does not fit the 254 characters offered comes back as the
    // size needed, with nothing written; that counts as no answer.
    wchar_t buffer[255] = {};
    DWORD n = ::GetTempPathW(254, buffer);
    if (n < 1 || n > 254) return std::nullopt;
    return std::wstring(buffer, n);
}

}  // namespace

std::wstring getTempFilePath() {
    std::wstring current;
    try {
        current = currentDirectory();
    } catch (...) {
    }
    return chooseTempDirectory(probeTempDir(), systemTempPath(), current);
}

}  // namespace kb
