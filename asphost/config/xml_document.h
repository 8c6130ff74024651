// The little of XML 1.0 that a configuration file uses, read into a tree:
// elements and their attributes, with the five named and the numeric
// character references resolved. Text, comments, CDATA and processing
// instructions are checked for their form and passed over. No DTD is read,
// so no entity can be declared: a DOCTYPE makes the document unreadable.
// Pure byte handling; names and values stay UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace asphost {

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<XmlElement> children;

    // The value of an attribute, null when the element has none by that name.
    const std::string* attribute(std::string_view key) const;
};

// The root element of a well-formed document (a UTF-8 byte-order mark
// allowed), or nothing. A document nested deeper than any configuration
// is refused rather than read with a recursion it controls.
std::optional<XmlElement> readXml(std::string_view text);

}  // namespace asphost
