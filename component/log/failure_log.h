// The administrator's record of failures: every failure goes to the Windows
// Event Log under the source "Crateload", and, when the administrator names
// a file, as one line appended to it. The page never learns of this, and a
// log that cannot be written never fails the operation.
#pragma once

#include "status/failure.h"

#include <string>

namespace kb::log {

inline constexpr wchar_t kEventSource[] = L"Crateload";

// The file named by the default value of the key LogFile below the settings
// key (kb::kSettingsKey; either registry view), read at every failure as the
// switches are read at every set; "" when none is set.
std::wstring logFilePath();

// Appends line and a line break to the file at path, in UTF-8, creating
// the file but no folder. False when it cannot.
bool appendLine(const std::wstring& path, const std::wstring& line);

// Records failure; pagePath is the page's path in the site, "" when unknown.
// Never throws.
void logFailure(const Failure& failure, const std::wstring& pagePath) noexcept;

}  // namespace kb::log
