// The web.config files that bear on a request: the root's, then each
// folder's on the way down to the folder of the path asked for.
#pragma once

#include "config/web_config.h"

#include <optional>
#include <string>

namespace asphost {

// The settings of the folder that holds virtualPath (normalised, as
// safeRequestPath gives it; a path ending in "/" is that folder itself).
// Nothing when a web.config on the way cannot be read or is refused by
// applyWebConfig: IIS then answers every request below it with an error, and
// so does asphost.
std::optional<FolderConfig> folderSettings(const std::wstring& root, const std::wstring& virtualPath);

// What a request below such a file is told.
inline constexpr wchar_t kUnreadableSettings[] = L"The folder's web.config cannot be read.";

}  // namespace asphost
