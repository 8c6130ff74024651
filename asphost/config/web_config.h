// What asphost reads of a folder's web.config, so that a folder locked down
// for IIS is locked down here too. Only three settings of
// <system.webServer> count:
//   - handlers/@accessPolicy: without Script or Execute, no page runs;
//   - staticContent: <clear/>, <mimeMap> and <remove> decide which
//     extensions are served as files, and with which type;
//   - httpProtocol/customHeaders: <clear/>, <add> and <remove> give the
//     headers a served file carries.
// Everything else in the file (<location>, handler mappings, modules, other
// sections) is passed over. As in IIS, a folder's settings are those of the
// root's file, then of each folder's file on the way down, each applied over
// the last. Pure byte handling, no file is touched here: the text is UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace asphost {

struct FolderConfig {
    bool runsPages = true;
    // Once cleared, only the extensions mapped since are served.
    bool staticCleared = false;
    // Lower-case extension with its dot, and its type; no type for one removed.
    std::vector<std::pair<std::string, std::optional<std::string>>> staticTypes;
    std::vector<std::pair<std::string, std::string>> headers;
};

// Applies one web.config's settings over config. Returns false, leaving
// config as it was, when the text is not well-formed XML (a DOCTYPE
// included), its root is not <configuration>, or one of the three settings
// holds what IIS would refuse: an unknown access flag, a <mimeMap> without
// both attributes set, a header without a valid name; or a type or header
// value with a control character, which would split the answer's head.
// IIS answers every request below such a file with an error.
bool applyWebConfig(std::string_view text, FolderConfig& config);

// The type a file with this extension (lower case, with its dot) is served
// with: the folder's own mapping; "" when the folder leaves it to the host's
// own table; nothing when the folder does not serve it.
std::optional<std::string> staticTypeFor(const FolderConfig& config, std::string_view extension);

}  // namespace asphost
