#include "source/name_selection.h"

#include <windows.h>

namespace lsz {

namespace {

wchar_t folded(wchar_t c) {
    if (c == L'\\') return L'/';
    // One character, upper-cased as the file system compares names.
    wchar_t s[2] = {c, 0};
    ::CharUpperBuffW(s, 1);
    return s[0];
}

// The set at pattern[at] (just after "["), matched against c. Returns the
// position after "]", or npos when the set is not closed and "[" is a
// plain character.
size_t matchSet(std::wstring_view pattern, size_t at, wchar_t c, bool& matched) {
    bool negated = at < pattern.size() && (pattern[at] == L'!' || pattern[at] == L'^');
    size_t i = negated ? at + 1 : at;
    bool inSet = false;
    bool first = true;
    for (; i < pattern.size(); ++i) {
        if (pattern[i] == L']' && !first) {
            matched = inSet != negated;
            return i + 1;
        }
        first = false;
        wchar_t low = folded(pattern[i]);
        wchar_t high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == L'-' && pattern[i + 2] != L']') {
            high = folded(pattern[i + 2]);
            i += 2;
        }
        if (c >= low && c <= high) inSet = true;
    }
    return std::wstring_view::npos;
}

}  // namespace

bool matchesPattern(std::wstring_view pattern, std::wstring_view name) {
    // Iterative, with one saved star: linear in practice, and no pattern a
    // user types can make it recurse.
    size_t p = 0, n = 0;
    size_t starP = std::wstring_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size()) {
            wchar_t pc = pattern[p];
            if (pc == L'*') {
                starP = ++p;
                starN = n;
                continue;
            }
            wchar_t nc = folded(name[n]);
            if (pc == L'?') {
                ++p;
                ++n;
                continue;
            }
            if (pc == L'[') {
                bool matched = false;
                size_t after = matchSet(pattern, p + 1, nc, matched);
                if (after != std::wstring_view::npos) {
                    if (matched) {
                        p = after;
                        ++n;
                        continue;
                    }
                } else if (nc == L'[') {
                    ++p;
                    ++n;
                    continue;
                }
            } else if (folded(pc) == nc) {
                ++p;
                ++n;
                continue;
            }
        }
        if (starP == std::wstring_view::npos) return false;
        p = starP;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

std::wstring typedPrefix(std::wstring_view item, bool itemIsFolder) {
    std::wstring path(item);
    for (wchar_t& c : path) {
        if (c == L'\\') c = L'/';
    }
    auto startsWith = [&](std::wstring_view head) { return path.compare(0, head.size(), head) == 0; };
    bool share = false;
    if (startsWith(L"//?/UNC/")) {
        path.erase(0, 8);
        share = true;
    } else if (startsWith(L"//?/")) {
        path.erase(0, 4);
    } else if (startsWith(L"//")) {
        path.erase(0, 2);
        share = true;
    }
    size_t start = 0;
    if (share) {
        // Neither the server nor the share is a folder of the archive.
        for (int part = 0; part < 2 && start < path.size(); ++part) {
            size_t slash = path.find(L'/', start);
            start = slash == std::wstring::npos ? path.size() : slash + 1;
        }
    } else if (path.size() >= 2 && path[1] == L':') {
        start = 2;
    }
    path.erase(0, start);
    if (!itemIsFolder) {
        size_t slash = path.rfind(L'/');
        path.erase(slash == std::wstring::npos ? 0 : slash);
    }
    std::wstring out;
    size_t i = 0;
    bool leading = true;
    while (i <= path.size()) {
        size_t slash = path.find(L'/', i);
        if (slash == std::wstring::npos) slash = path.size();
        std::wstring_view part(path.data() + i, slash - i);
        bool skip = part.empty() || part == L"." || (leading && part == L"..");
        if (!skip) {
            leading = false;
            if (!out.empty()) out += L'/';
            out += part;
        }
        i = slash + 1;
    }
    return out;
}

NameSelection::NameSelection(std::vector<std::wstring> include, std::vector<std::wstring> exclude)
    : include_(std::move(include)), exclude_(std::move(exclude)) {}

bool NameSelection::takes(std::wstring_view belowItem, std::wstring_view asTyped) const {
    auto any = [&](const std::vector<std::wstring>& patterns) {
        for (const auto& pattern : patterns) {
            if (matchesPattern(pattern, belowItem) || matchesPattern(pattern, asTyped)) return true;
        }
        return false;
    };
    if (any(exclude_)) return false;
    return include_.empty() || any(include_);
}

}  // namespace lsz
