#include "web/http_message.h"

#include "common/text.h"

#include <cctype>
#include <cwctype>

namespace asphost {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
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

}  // namespace

std::string HttpRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (equalsNoCase(key, name)) return value;
    }
    return {};
}

std::string HttpRequest::path() const { return target.substr(0, target.find('?')); }

std::string HttpRequest::query() const {
    size_t q = target.find('?');
    return q == std::string::npos ? std::string() : target.substr(q + 1);
}

std::optional<HttpRequest> parseRequestHead(std::string_view head) {
    HttpRequest request;
    size_t lineEnd = head.find("\r\n");
    std::string_view line = head.substr(0, lineEnd);
    size_t sp1 = line.find(' ');
    size_t sp2 = line.rfind(' ');
    if (sp1 == std::string_view::npos || sp2 == sp1) return std::nullopt;
    request.method = line.substr(0, sp1);
    request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    request.version = line.substr(sp2 + 1);
    if (!isToken(request.method) || request.target.empty() || !request.version.starts_with("HTTP/1.")) return std::nullopt;
    for (char c : request.target) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 127) return std::nullopt;
    }
    while (lineEnd != std::string_view::npos) {
        size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        line = head.substr(start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
        if (line.empty()) continue;
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || !isToken(line.substr(0, colon))) return std::nullopt;
        request.headers.emplace_back(std::string(line.substr(0, colon)), std::string(trim(line.substr(colon + 1))));
    }
    return request;
}

std::string formatResponseHead(const ResponseHead& head) {
    std::wstring type = head.contentType;
    if (!head.charset.empty()) {
        type += L"; charset=" + head.charset;
    } else if (type.starts_with(L"text/")) {
        // Pages are written as UTF-8.
        type += L"; charset=utf-8";
    }
    std::wstring text = L"HTTP/1.1 " + head.status + L"\r\nContent-Type: " + type + L"\r\n";
    if (head.contentLength) text += L"Content-Length: " + std::to_wstring(*head.contentLength) + L"\r\n";
    bool cacheControl = false;
    for (const auto& [name, value] : head.headers) {
        text += name + L": " + value + L"\r\n";
        cacheControl = cacheControl || _wcsicmp(name.c_str(), L"Cache-Control") == 0;
    }
    if (!cacheControl) text += L"Cache-Control: private\r\n";
    text += L"X-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n";
    return kb::toUtf8(text);
}

std::wstring contentTypeFor(std::wstring_view extension) {
    static const std::pair<const wchar_t*, const wchar_t*> kTypes[] = {
        {L".html", L"text/html"}, {L".htm", L"text/html"},   {L".css", L"text/css"},
        {L".js", L"text/javascript"}, {L".txt", L"text/plain"}, {L".csv", L"text/csv"},
        {L".xml", L"text/xml"},   {L".json", L"application/json"}, {L".zip", L"application/zip"},
        {L".pdf", L"application/pdf"}, {L".png", L"image/png"}, {L".jpg", L"image/jpeg"},
        {L".jpeg", L"image/jpeg"}, {L".gif", L"image/gif"}, {L".svg", L"image/svg+xml"},
        {L".ico", L"image/x-icon"}, {L".webp", L"image/webp"},
    };
    for (const auto& [ext, type] : kTypes) {
        if (_wcsicmp(ext, std::wstring(extension).c_str()) == 0) return type;
    }
    return L"application/octet-stream";
}

}  // namespace asphost
