#include "config/xml_document.h"

#include <cstdint>

namespace asphost {

namespace {

constexpr int kMaxDepth = 64;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isNameChar(char c, bool first) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || c == '_' || c == ':' || b >= 0x80) return true;
    return !first && ((b >= '0' && b <= '9') || c == '.' || c == '-');
}

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

class Reader {
public:
    explicit Reader(std::string_view text) : s_(text) {
        if (s_.starts_with("\xEF\xBB\xBF")) s_.remove_prefix(3);
    }

    std::optional<XmlElement> document() {
        if (!misc()) return std::nullopt;
        XmlElement root;
        if (!at("<") || !element(root, 0) || !misc() || i_ != s_.size()) return std::nullopt;
        return root;
    }

private:
    bool at(std::string_view what) const { return s_.substr(i_).starts_with(what); }

    bool skipPast(std::string_view end) {
        size_t found = s_.find(end, i_);
        if (found == std::string_view::npos) return false;
        i_ = found + end.size();
        return true;
    }

    void blanks() {
        while (i_ < s_.size() && isBlank(s_[i_])) ++i_;
    }

    // Comments, processing instructions (the XML declaration among them)
    // and blanks, before and after the root.
    bool misc() {
        for (;;) {
            blanks();
            if (at("<!--")) {
                if (!comment()) return false;
            } else if (at("<?")) {
                if (!skipPast("?>")) return false;
            } else {
                return !at("<!");  // a DOCTYPE
            }
        }
    }

    bool comment() {
        size_t end = s_.find("--", i_ + 4);
        if (end == std::string_view::npos || s_.substr(end, 3) != "-->") return false;
        i_ = end + 3;
        return true;
    }

    bool name(std::string& out) {
        size_t start = i_;
        while (i_ < s_.size() && isNameChar(s_[i_], i_ == start)) ++i_;
        out.assign(s_.substr(start, i_ - start));
        return !out.empty();
    }

    // A reference after its "&", appended to out.
    bool reference(std::string& out) {
        size_t end = s_.find(';', i_);
        if (end == std::string_view::npos) return false;
        std::string_view ref = s_.substr(i_, end - i_);
        i_ = end + 1;
        static const std::pair<std::string_view, char> kNamed[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        for (const auto& [n, c] : kNamed) {
            if (ref == n) {
                out += c;
                return true;
            }
        }
        if (!ref.starts_with('#') || ref.size() < 2) return false;
        bool hex = ref[1] == 'x';
        std::string_view digits = ref.substr(hex ? 2 : 1);
        if (digits.empty()) return false;
        uint32_t c = 0;
        for (char d : digits) {
            int v = d >= '0' && d <= '9' ? d - '0' : hex && lower(d) >= 'a' && lower(d) <= 'f' ? lower(d) - 'a' + 10 : -1;
            if (v < 0) return false;
            c = c * (hex ? 16 : 10) + static_cast<uint32_t>(v);
            if (c > 0x10FFFF) return false;
        }
        // Only the characters XML allows, referenced or not.
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE ||
            c == 0xFFFF) {
            return false;
        }
        appendUtf8(out, c);
        return true;
    }

    bool attributeValue(std::string& out) {
        if (i_ >= s_.size() || (s_[i_] != '"' && s_[i_] != '\'')) return false;
        char quote = s_[i_++];
        while (i_ < s_.size() && s_[i_] != quote) {
            char c = s_[i_++];
            if (c == '<') return false;
            if (c == '&') {
                if (!reference(out)) return false;
            } else {
                // A literal line break or tab in a value reads as a blank.
                out += isBlank(c) ? ' ' : c;
            }
        }
        if (i_ >= s_.size()) return false;
        ++i_;
        return true;
    }

    // An element from its "<".
    bool element(XmlElement& e, int depth) {
        if (depth >= kMaxDepth) return false;
        ++i_;
        if (!name(e.name)) return false;
        for (;;) {
            size_t before = i_;
            blanks();
            if (at("/>")) {
                i_ += 2;
                return true;
            }
            if (at(">")) {
                ++i_;
                break;
            }
            std::string key, value;
            if (i_ == before || !name(key)) return false;
            blanks();
            if (!at("=")) return false;
            ++i_;
            blanks();
            if (!attributeValue(value) || e.attribute(key)) return false;
            e.attributes.emplace_back(std::move(key), std::move(value));
        }
        std::string scratch;
        for (;;) {
            if (i_ >= s_.size()) return false;
            if (at("</")) {
                i_ += 2;
                std::string closing;
                if (!name(closing) || closing != e.name) return false;
                blanks();
                if (!at(">")) return false;
                ++i_;
                return true;
            }
            if (at("<!--")) {
                if (!comment()) return false;
            } else if (at("<![CDATA[")) {
                if (!skipPast("]]>")) return false;
            } else if (at("<?")) {
                if (!skipPast("?>")) return false;
            } else if (at("<!")) {
                return false;
            } else if (at("<")) {
                e.children.emplace_back();
                if (!element(e.children.back(), depth + 1)) return false;
            } else if (s_[i_++] == '&') {
                scratch.clear();
                if (!reference(scratch)) return false;
            }
        }
    }

    std::string_view s_;
    size_t i_ = 0;
};

}  // namespace

const std::string* XmlElement::attribute(std::string_view key) const {
    for (const auto& [name, value] : attributes) {
        if (name == key) return &value;
    }
    return nullptr;
}

std::optional<XmlElement> readXml(std::string_view text) { return Reader(text).document(); }

}  // namespace asphost
