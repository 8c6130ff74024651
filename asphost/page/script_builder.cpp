#include "page/script_builder.h"

#include "common/file_names.h"

#include <cwctype>

namespace asphost {

namespace {

bool isBlank(std::wstring_view s) { return s.find_first_not_of(L" \t\r\n") == std::wstring_view::npos; }

// VBScript demands "Option Explicit" before every other statement, yet pages
// put it in their first block after a line break or two of literal text. The
// statement is moved to the head of the script, with blanks left in its place
// so that the lines still match.
bool takeOptionExplicit(std::wstring& code) {
    size_t start = code.find_first_not_of(L" \t\r\n");
    if (start == std::wstring::npos) return false;
    static const std::wstring kWords[] = {L"option", L"explicit"};
    size_t i = start;
    for (size_t w = 0; w < 2; ++w) {
        if (w == 1) {
            size_t gap = i;
            while (i < code.size() && (code[i] == L' ' || code[i] == L'\t')) ++i;
            if (i == gap) return false;
        }
        if (!kb::sameName(std::wstring_view(code).substr(i, kWords[w].size()), kWords[w])) return false;
        i += kWords[w].size();
    }
    if (i < code.size() && (std::iswalnum(code[i]) || code[i] == L'_')) return false;
    for (size_t k = start; k < i; ++k) code[k] = L' ';
    return true;
}

class Builder {
public:
    explicit Builder(Language language) { script_.language = language; }

    // Carriage returns are dropped: an engine that counted them as line
    // breaks of their own would put its error lines out of step.
    void line(std::wstring_view text, const SourcePos& pos) {
        for (wchar_t c : text) {
            if (c != L'\r') script_.text += c;
        }
        script_.text += L'\n';
        script_.lines.push_back(pos);
    }

    // Code keeps its own line breaks, so each of its lines maps to its own page line.
    void code(std::wstring_view text, SourcePos pos) {
        size_t start = 0;
        for (;;) {
            size_t nl = text.find(L'\n', start);
            if (nl == std::wstring_view::npos) {
                line(text.substr(start), pos);
                return;
            }
            line(text.substr(start, nl - start), pos);
            start = nl + 1;
            ++pos.line;
        }
    }

    void literal(const Segment& s) {
        size_t number = script_.blocks.size();
        script_.blocks.push_back(s.text);
        bool vb = script_.language == Language::VBScript;
        line((vb ? L"Response.WriteBlock " : L"Response.WriteBlock(") + std::to_wstring(number) + (vb ? L"" : L");"), s.pos);
    }

    void expression(const Segment& s) {
        // The expression's own line breaks are kept inside the call.
        if (script_.language == Language::VBScript) {
            code(L"Response.Write (" + s.text + L")", s.pos);
        } else {
            code(L"Response.Write(" + s.text + L");", s.pos);
        }
    }

    PageScript done() { return std::move(script_); }

private:
    PageScript script_;
};

}  // namespace

PageScript buildScript(const ParsedPage& page) {
    Builder builder(page.language);
    std::vector<Segment> segments = page.segments;
    if (page.language == Language::VBScript) {
        for (Segment& s : segments) {
            if (s.kind == SegmentKind::Literal && isBlank(s.text)) continue;
            if (s.kind == SegmentKind::Code && takeOptionExplicit(s.text)) builder.line(L"Option Explicit", s.pos);
            break;
        }
    }
    for (const Segment& s : segments) {
        switch (s.kind) {
        case SegmentKind::Literal: builder.literal(s); break;
        case SegmentKind::Code: builder.code(s.text, s.pos); break;
        case SegmentKind::Expression: builder.expression(s); break;
        }
    }
    return builder.done();
}

SourcePos positionOf(const PageScript& script, int scriptLine) {
    if (script.lines.empty()) return {};
    if (scriptLine < 0) scriptLine = 0;
    if (static_cast<size_t>(scriptLine) >= script.lines.size()) return script.lines.back();
    return script.lines[static_cast<size_t>(scriptLine)];
}

}  // namespace asphost
