#include "web/http_request.h"

#include "common/file_names.h"

namespace asphost {

namespace {

// Header names are tokens, ASCII only, so each byte widens to itself.
bool sameHeaderName(std::string_view a, std::string_view b) {
    return kb::sameName(std::wstring(a.begin(), a.end()), std::wstring(b.begin(), b.end()));
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool isToken(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c <= ' ' || c >= 127 || std::string_view("()<>@,;:\\\"/[]?={}").find(c) != std::string_view::npos) return false;
    }
    return true;
}

// A header value may hold any visible character, blanks and tabs, but no
// other control character: a lone CR would end the line for some readers
// and not for others.
bool isFieldValue(std::string_view s) {
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if ((u < ' ' && c != '\t') || u == 127) return false;
    }
    return true;
}

// The next line of text from `at`, without its CR LF or LF; at moves past it.
std::string_view nextLine(std::string_view text, size_t& at) {
    size_t lf = text.find('\n', at);
    std::string_view line = text.substr(at, lf == std::string_view::npos ? std::string_view::npos : lf - at);
    at = lf == std::string_view::npos ? text.size() : lf + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

std::string HttpRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (sameHeaderName(key, name)) return value;
    }
    return {};
}

std::string HttpRequest::path() const { return target.substr(0, target.find('?')); }

std::string HttpRequest::query() const {
    size_t q = target.find('?');
    return q == std::string::npos ? std::string() : target.substr(q + 1);
}

std::optional<HeadEnd> findHeadEnd(std::string_view data) {
    for (size_t lf = data.find('\n'); lf != std::string_view::npos; lf = data.find('\n', lf + 1)) {
        size_t next = lf + 1;
        if (next < data.size() && data[next] == '\n') return HeadEnd{lf + 1, next + 1};
        if (next + 1 < data.size() && data[next] == '\r' && data[next + 1] == '\n') return HeadEnd{lf + 1, next + 2};
    }
    return std::nullopt;
}

std::optional<HttpRequest> parseRequestHead(std::string_view head) {
    HttpRequest request;
    size_t at = 0;
    std::string_view line = nextLine(head, at);
    size_t sp1 = line.find(' ');
    size_t sp2 = line.rfind(' ');
    if (sp1 == std::string_view::npos || sp2 == sp1) return std::nullopt;
    request.method = line.substr(0, sp1);
    request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    request.version = line.substr(sp2 + 1);
    if (!isToken(request.method) || request.target.empty() || !request.version.starts_with("HTTP/1.")) {
        return std::nullopt;
    }
    for (char c : request.target) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 127) return std::nullopt;
    }
    for (char c : request.version) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 127) return std::nullopt;
    }
    while (at < head.size()) {
        line = nextLine(head, at);
        if (line.empty()) continue;
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || !isToken(line.substr(0, colon))) return std::nullopt;
        std::string_view value = trim(line.substr(colon + 1));
        if (!isFieldValue(value)) return std::nullopt;
        request.headers.emplace_back(std::string(line.substr(0, colon)), std::string(value));
    }
    return request;
}

std::optional<uint64_t> declaredContentLength(const HttpRequest& request) {
    std::optional<uint64_t> length;
    for (const auto& [name, value] : request.headers) {
        if (!sameHeaderName(name, "Content-Length")) continue;
        if (value.empty() || value.size() > 18) return std::nullopt;
        uint64_t n = 0;
        for (char c : value) {
            if (c < '0' || c > '9') return std::nullopt;
            n = n * 10 + static_cast<uint64_t>(c - '0');
        }
        if (length && *length != n) return std::nullopt;
        length = n;
    }
    return length.value_or(0);
}

}  // namespace asphost
