#include "config/web_config.h"

#include "config/xml_document.h"

#include <algorithm>

namespace asphost {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// What may go into a header's value: a line break would start a header of
// its own.
bool fitsAHeader(std::string_view value) {
    return std::none_of(value.begin(), value.end(),
                        [](char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F; });
}

bool accessFlagsRunPages(std::string_view policy, bool& runs) {
    static const std::string_view kFlags[] = {"none", "read", "write", "script", "execute", "source",
                                              "noremoteread", "noremotewrite", "noremotescript", "noremoteexecute"};
    runs = false;
    if (std::all_of(policy.begin(), policy.end(), isBlank)) return true;
    for (;;) {
        size_t comma = policy.find(',');
        std::string_view flag = policy.substr(0, comma);
        while (!flag.empty() && isBlank(flag.front())) flag.remove_prefix(1);
        while (!flag.empty() && isBlank(flag.back())) flag.remove_suffix(1);
        std::string word = lowered(flag);
        if (std::find(std::begin(kFlags), std::end(kFlags), word) == std::end(kFlags)) return false;
        runs = runs || word == "script" || word == "execute";
        if (comma == std::string_view::npos) return true;
        policy.remove_prefix(comma + 1);
    }
}

// Maps a lower-case extension to a type, or to none.
void mapType(FolderConfig& config, const std::string& ext, std::optional<std::string> type) {
    auto found = std::find_if(config.staticTypes.begin(), config.staticTypes.end(),
                              [&](const auto& entry) { return entry.first == ext; });
    if (found != config.staticTypes.end()) {
        found->second = std::move(type);
    } else {
        config.staticTypes.emplace_back(ext, std::move(type));
    }
}

bool applyStaticContent(const XmlElement& section, FolderConfig& config) {
    for (const XmlElement& item : section.children) {
        const std::string* ext = item.attribute("fileExtension");
        if (item.name == "clear") {
            config.staticCleared = true;
            config.staticTypes.clear();
        } else if (item.name == "mimeMap") {
            const std::string* type = item.attribute("mimeType");
            if (!ext || !type || ext->empty() || type->empty() || !fitsAHeader(*type)) return false;
            mapType(config, lowered(*ext), *type);
        } else if (item.name == "remove") {
            if (!ext) return false;
            mapType(config, lowered(*ext), std::nullopt);
        }
    }
    return true;
}

bool isTokenChar(char c) {
    auto b = static_cast<unsigned char>(c);
    return b > 0x20 && b < 0x7F && std::string_view("()<>@,;:\\\"/[]?={}").find(c) == std::string_view::npos;
}

bool applyCustomHeaders(const XmlElement& section, FolderConfig& config) {
    for (const XmlElement& item : section.children) {
        const std::string* name = item.attribute("name");
        if (item.name == "clear") {
            config.headers.clear();
        } else if (item.name == "add" || item.name == "remove") {
            if (!name || name->empty() || !std::all_of(name->begin(), name->end(), isTokenChar)) return false;
            auto same = [&](const auto& h) { return lowered(h.first) == lowered(*name); };
            std::erase_if(config.headers, same);
            if (item.name == "remove") continue;
            const std::string* value = item.attribute("value");
            std::string text = value ? *value : std::string();
            if (!fitsAHeader(text)) return false;
            config.headers.emplace_back(*name, std::move(text));
        }
    }
    return true;
}

}  // namespace

bool applyWebConfig(std::string_view text, FolderConfig& config) {
    std::optional<XmlElement> root = readXml(text);
    if (!root || root->name != "configuration") return false;
    FolderConfig next = config;
    for (const XmlElement& server : root->children) {
        if (server.name != "system.webServer") continue;
        for (const XmlElement& section : server.children) {
            if (section.name == "handlers") {
                const std::string* policy = section.attribute("accessPolicy");
                if (policy && !accessFlagsRunPages(*policy, next.runsPages)) return false;
            } else if (section.name == "staticContent") {
                if (!applyStaticContent(section, next)) return false;
            } else if (section.name == "httpProtocol") {
                for (const XmlElement& part : section.children) {
                    if (part.name == "customHeaders" && !applyCustomHeaders(part, next)) return false;
                }
            }
        }
    }
    config = std::move(next);
    return true;
}

std::optional<std::string> staticTypeFor(const FolderConfig& config, std::string_view extension) {
    std::string ext = lowered(extension);
    for (const auto& [mapped, type] : config.staticTypes) {
        if (mapped == ext) return type;
    }
    if (config.staticCleared) return std::nullopt;
    return std::string();
}

}  // namespace asphost
