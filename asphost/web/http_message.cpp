#include "web/http_message.h"

#include "common/file_names.h"
#include "common/html_escape.h"
#include "common/text.h"

namespace asphost {

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
    bool cacheControl = false, typeOptions = false;
    for (const auto& [name, value] : head.headers) {
        text += name + L": " + value + L"\r\n";
        cacheControl = cacheControl || kb::sameName(name, L"Cache-Control");
        typeOptions = typeOptions || kb::sameName(name, L"X-Content-Type-Options");
    }
    if (!cacheControl) text += L"Cache-Control: private\r\n";
    // Once only, when a folder's settings send it too.
    if (!typeOptions) text += L"X-Content-Type-Options: nosniff\r\n";
    text += L"Connection: close\r\n\r\n";
    return kb::toUtf8(text);
}

std::string simplePage(std::wstring_view status, std::wstring_view message) {
    std::wstring title(status);
    return kb::toUtf8(L"<!DOCTYPE html><html><head><title>" + title + L"</title></head><body><h1>" + title +
                      L"</h1><p>" + kb::htmlEscape(message) + L"</p></body></html>\r\n");
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
        if (kb::sameName(ext, extension)) return type;
    }
    return L"application/octet-stream";
}

}  // namespace asphost
