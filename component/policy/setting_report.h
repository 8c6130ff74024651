// Telling the administrator of a registry setting whose value is not
// understood: once per process for each setting and registry view, since
// pages read the settings at every set and every call.
#pragma once

#include <windows.h>

#include <string>

namespace kb::policy {

// Logs message against HKLM\path in view (KEY_WOW64_64KEY or
// KEY_WOW64_32KEY) the first time this process reports that path in that
// view; later reports of the same pair are dropped. Never throws.
void reportNotUnderstoodOnce(const std::wstring& path, REGSAM view, const std::wstring& message) noexcept;

}  // namespace kb::policy
