#include "page/page_parser.h"

#include "common/file_names.h"
#include "paths/virtual_path.h"

#include <algorithm>
#include <cwctype>

namespace asphost {

namespace {

// Deeper than any real site nests its includes; a cycle reaches it quickly.
constexpr int kMaxIncludeDepth = 16;

bool startsWithAt(std::wstring_view text, size_t at, std::wstring_view what) {
    return text.substr(at, what.size()) == what;
}

int linesIn(std::wstring_view text) { return static_cast<int>(std::count(text.begin(), text.end(), L'\n')); }

// Finds the "%>" that closes a block opened before `from`. A "%>" inside a
// string literal does not close it; inside a comment it does, since a
// comment runs only to the end of its block.
size_t findBlockEnd(std::wstring_view text, size_t from, Language language) {
    size_t i = from;
    while (i < text.size()) {
        wchar_t c = text[i];
        if (c == L'%' && i + 1 < text.size() && text[i + 1] == L'>') return i;
        if (language == Language::VBScript) {
            if (c == L'"') {
                // VBScript doubles a quote to escape it; a string ends at the line's end.
                ++i;
                while (i < text.size() && text[i] != L'\n') {
                    if (text[i] == L'"') {
                        if (i + 1 < text.size() && text[i + 1] == L'"') {
                            i += 2;
                            continue;
                        }
                        break;
                    }
                    ++i;
                }
                if (i < text.size() && text[i] == L'"') ++i;
                continue;
            }
            if (c == L'\'') {
                while (i < text.size() && text[i] != L'\n' && !startsWithAt(text, i, L"%>")) ++i;
                continue;
            }
        } else {
            if (c == L'"' || c == L'\'') {
                wchar_t quote = c;
                ++i;
                while (i < text.size() && text[i] != quote && text[i] != L'\n') {
                    if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] != L'\n') ++i;
                    ++i;
                }
                if (i < text.size() && text[i] == quote) ++i;
                continue;
            }
            if (startsWithAt(text, i, L"//")) {
                while (i < text.size() && text[i] != L'\n' && !startsWithAt(text, i, L"%>")) ++i;
                continue;
            }
            if (startsWithAt(text, i, L"/*")) {
                i += 2;
                while (i < text.size() && !startsWithAt(text, i, L"*/") && !startsWithAt(text, i, L"%>")) ++i;
                if (startsWithAt(text, i, L"*/")) i += 2;
                continue;
            }
        }
        ++i;
    }
    return std::wstring_view::npos;
}

struct IncludeDirective {
    size_t length = 0;  // of the whole comment
    std::wstring path;
};

// Matches <!-- #include file="..." --> (or virtual="...") at `at`, allowing
// blanks where IIS allows them and any letter case.
bool matchInclude(std::wstring_view text, size_t at, IncludeDirective& out) {
    if (!startsWithAt(text, at, L"<!--")) return false;
    size_t i = at + 4;
    auto skipBlanks = [&] { while (i < text.size() && std::iswspace(text[i])) ++i; };
    auto word = [&](std::wstring_view w) {
        if (i + w.size() <= text.size() && kb::sameName(text.substr(i, w.size()), w)) {
            i += w.size();
            return true;
        }
        return false;
    };
    skipBlanks();
    if (!word(L"#include")) return false;
    skipBlanks();
    if (!word(L"file") && !word(L"virtual")) return false;
    skipBlanks();
    if (i >= text.size() || text[i] != L'=') return false;
    ++i;
    skipBlanks();
    if (i >= text.size() || text[i] != L'"') return false;
    size_t close = text.find(L'"', i + 1);
    if (close == std::wstring_view::npos) return false;
    out.path = std::wstring(text.substr(i + 1, close - i - 1));
    i = close + 1;
    skipBlanks();
    if (!startsWithAt(text, i, L"-->")) return false;
    out.length = i + 3 - at;
    return true;
}

// Reads NAME=VALUE pairs of a <%@ %> directive.
void readDirective(std::wstring_view body, const SourcePos& pos, Language& language) {
    size_t i = 0;
    while (i < body.size()) {
        while (i < body.size() && std::iswspace(body[i])) ++i;
        size_t nameStart = i;
        while (i < body.size() && !std::iswspace(body[i]) && body[i] != L'=') ++i;
        std::wstring_view name = body.substr(nameStart, i - nameStart);
        if (name.empty()) break;
        while (i < body.size() && std::iswspace(body[i])) ++i;
        std::wstring_view value;
        if (i < body.size() && body[i] == L'=') {
            ++i;
            while (i < body.size() && std::iswspace(body[i])) ++i;
            if (i < body.size() && body[i] == L'"') {
                size_t close = body.find(L'"', i + 1);
                if (close == std::wstring_view::npos) throw PageError(pos, L"Unterminated value in the page directive.");
                value = body.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                size_t start = i;
                while (i < body.size() && !std::iswspace(body[i])) ++i;
                value = body.substr(start, i - start);
            }
        }
        if (kb::sameName(name, L"LANGUAGE") && !languageFromName(value, language)) {
            throw PageError(pos, L"Invalid default script language '" + std::wstring(value) + L"' in the page directive.");
        }
    }
}

class Parser {
public:
    explicit Parser(SourceFiles& files) : files_(files) {}

    ParsedPage parse(const std::wstring& virtualPath) {
        std::wstring text = files_.read(virtualPath);
        SourcePos start{virtualPath, 1};
        size_t at = 0;

        // The page directive counts only at the very top of the page. The
        // line break after it is not part of the page's output, so that an
        // "Option Explicit" block on the next line still comes first.
        size_t lead = 0;
        while (lead < text.size() && std::iswspace(text[lead])) ++lead;
        if (startsWithAt(text, lead, L"<%@")) {
            size_t end = findBlockEnd(text, lead + 3, Language::JScript);
            SourcePos pos{virtualPath, 1 + linesIn(std::wstring_view(text).substr(0, lead))};
            if (end == std::wstring::npos) throw PageError(pos, L"Missing close of script delimiter.");
            readDirective(std::wstring_view(text).substr(lead + 3, end - lead - 3), pos, page_.language);
            at = end + 2;
            if (startsWithAt(text, at, L"\r\n")) {
                at += 2;
            } else if (startsWithAt(text, at, L"\n")) {
                at += 1;
            }
            start.line = 1 + linesIn(std::wstring_view(text).substr(0, at));
        }
        scan(text, at, start, 0);
        return std::move(page_);
    }

private:
    void scan(std::wstring_view text, size_t at, SourcePos pos, int depth) {
        size_t literalStart = at;
        SourcePos literalPos = pos;
        auto flushLiteral = [&](size_t end) {
            if (end > literalStart) {
                page_.segments.push_back({SegmentKind::Literal, std::wstring(text.substr(literalStart, end - literalStart)), literalPos});
            }
        };
        while (at < text.size()) {
            size_t next = text.find(L'<', at);
            if (next == std::wstring_view::npos) break;
            pos.line += linesIn(text.substr(at, next - at));
            at = next;

            IncludeDirective include;
            if (matchInclude(text, at, include)) {
                flushLiteral(at);
                includeFile(include, pos, depth);
                pos.line += linesIn(text.substr(at, include.length));
                at += include.length;
                literalStart = at;
                literalPos = pos;
                continue;
            }
            if (!startsWithAt(text, at, L"<%")) {
                ++at;
                continue;
            }
            flushLiteral(at);
            size_t bodyStart = at + 2;
            SegmentKind kind = SegmentKind::Code;
            if (startsWithAt(text, bodyStart, L"=")) {
                kind = SegmentKind::Expression;
                ++bodyStart;
            } else if (startsWithAt(text, bodyStart, L"@")) {
                throw PageError(pos, L"The page directive must come first in the page.");
            }
            size_t end = findBlockEnd(text, bodyStart, page_.language);
            if (end == std::wstring_view::npos) throw PageError(pos, L"Missing close of script delimiter.");
            std::wstring body(text.substr(bodyStart, end - bodyStart));
            if (kind == SegmentKind::Expression && body.find_first_not_of(L" \t\r\n") == std::wstring::npos) {
                throw PageError(pos, L"Expected an expression after '<%='.");
            }
            page_.segments.push_back({kind, body, pos});
            pos.line += linesIn(text.substr(at, end + 2 - at));
            at = end + 2;
            literalStart = at;
            literalPos = pos;
        }
        flushLiteral(text.size());
    }

    void includeFile(const IncludeDirective& include, const SourcePos& pos, int depth) {
        if (depth >= kMaxIncludeDepth) throw PageError(pos, L"Includes nest too deeply (is a file including itself?).");
        // Both forms resolve the same way: a "/"-rooted path from the site
        // root, anything else from the including file's own directory.
        std::optional<std::wstring> target = resolveVirtualPath(pos.file, include.path);
        if (!target || include.path.empty()) {
            throw PageError(pos, L"The include file '" + include.path + L"' was not found.");
        }
        std::wstring text;
        try {
            text = files_.read(*target);
        } catch (const PageError&) {
            throw PageError(pos, L"The include file '" + include.path + L"' was not found.");
        }
        scan(text, 0, SourcePos{*target, 1}, depth + 1);
    }

    SourceFiles& files_;
    ParsedPage page_;
};

}  // namespace

bool languageFromName(std::wstring_view name, Language& language) {
    if (kb::sameName(name, L"VBScript")) {
        language = Language::VBScript;
        return true;
    }
    if (kb::sameName(name, L"JScript") || kb::sameName(name, L"JavaScript")) {
        language = Language::JScript;
        return true;
    }
    return false;
}

ParsedPage parsePage(const std::wstring& virtualPath, SourceFiles& files) { return Parser(files).parse(virtualPath); }

}  // namespace asphost
