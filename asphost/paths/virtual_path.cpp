#include "paths/virtual_path.h"

#include "common/file_names.h"

#include <algorithm>
#include <cwctype>
#include <vector>

namespace asphost {

namespace {

std::vector<std::wstring> splitSegments(std::wstring_view path) {
    std::vector<std::wstring> out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find(L'/', start);
        if (slash == std::wstring_view::npos) slash = path.size();
        out.emplace_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return out;
}

}  // namespace

std::optional<std::wstring> resolveVirtualPath(std::wstring_view currentPage, std::wstring_view path) {
    std::wstring joined(path);
    std::replace(joined.begin(), joined.end(), L'\\', L'/');
    if (joined.empty() || joined[0] != L'/') joined = virtualDirectory(currentPage) + joined;

    std::vector<std::wstring> kept;
    std::vector<std::wstring> segments = splitSegments(std::wstring_view(joined).substr(1));
    bool trailingSlash = false;
    for (size_t i = 0; i < segments.size(); ++i) {
        const std::wstring& s = segments[i];
        bool last = i + 1 == segments.size();
        if (s == L"..") {
            if (kept.empty()) return std::nullopt;
            kept.pop_back();
            trailingSlash = last;
        } else if (s.empty() || s == L".") {
            trailingSlash = last && !kept.empty();
        } else {
            kept.push_back(s);
            trailingSlash = false;
        }
    }
    std::wstring out;
    for (const std::wstring& s : kept) out += L"/" + s;
    if (out.empty() || trailingSlash) out += L"/";
    return out;
}

std::wstring physicalPath(std::wstring_view root, std::wstring_view virtualPath) {
    std::wstring out(root);
    while (!out.empty() && (out.back() == L'\\' || out.back() == L'/')) out.pop_back();
    if (virtualPath == L"/" || virtualPath.empty()) return out;
    std::wstring rest(virtualPath);
    std::replace(rest.begin(), rest.end(), L'/', L'\\');
    return out + rest;
}

std::wstring virtualDirectory(std::wstring_view virtualPath) {
    size_t slash = virtualPath.find_last_of(L'/');
    if (slash == std::wstring_view::npos) return L"/";
    return std::wstring(virtualPath.substr(0, slash + 1));
}

std::optional<std::wstring> safeRequestPath(std::wstring_view decodedPath) {
    if (decodedPath.empty() || decodedPath[0] != L'/') return std::nullopt;
    for (const std::wstring& s : splitSegments(decodedPath.substr(1))) {
        if (s.empty() || s == L"." || s == L"..") continue;
        if (!kb::isPlainFileName(s)) return std::nullopt;
    }
    return resolveVirtualPath(L"/", decodedPath);
}

std::wstring extensionOf(std::wstring_view path) {
    size_t slash = path.find_last_of(L"/\\");
    std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring_view::npos) return {};
    std::wstring ext(name.substr(dot));
    for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(c));
    return ext;
}

}  // namespace asphost
