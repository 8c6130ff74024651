// The page parser and the script it builds, on the input that trips naive
// parsers: delimiters inside strings and comments, includes, directives.
#include "page/page_parser.h"
#include "page/script_builder.h"

#include <gtest/gtest.h>

#include <map>

namespace asphost {
namespace {

class MemoryFiles final : public SourceFiles {
public:
    std::map<std::wstring, std::wstring> files;
    std::wstring read(const std::wstring& path) override {
        auto it = files.find(path);
        if (it == files.end()) throw PageError({path, 0}, L"missing");
        return it->second;
    }
};

ParsedPage parseText(const std::wstring& text, std::map<std::wstring, std::wstring> more = {}) {
    MemoryFiles files;
    files.files = std::move(more);
    files.files[L"/dir/page.asp"] = text;
    return parsePage(L"/dir/page.asp", files);
}

std::vector<std::wstring> codeOf(const ParsedPage& page) {
    std::vector<std::wstring> out;
    for (const Segment& s : page.segments) {
        if (s.kind != SegmentKind::Literal) out.push_back(s.text);
    }
    return out;
}

TEST(PageParser, BlockEndsOnlyOutsideStrings) {
    struct Case {
        const wchar_t* page;
        std::vector<std::wstring> code;
    };
    const Case cases[] = {
        {L"<% x = \"%>\" %>", {L" x = \"%>\" "}},
        {L"<%= \"a \"\"%>\"\" b\" %>", {L" \"a \"\"%>\"\" b\" "}},   // doubled quotes stay inside
        {L"<% x = 1 ' comment %>after", {L" x = 1 ' comment "}},      // a comment ends with the block
        {L"<% ' don't %><% y %>", {L" ' don't ", L" y "}},            // an apostrophe in a comment opens no string
        {L"<% a = \"unterminated\n%>", {L" a = \"unterminated\n"}},    // a VBScript string ends with its line
        {L"<%%>", {L""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codeOf(parseText(c.page)), c.code) << c.page;
    }
}

TEST(PageParser, JScriptStringsAndComments) {
    struct Case {
        const wchar_t* page;
        std::vector<std::wstring> code;
    };
    const Case cases[] = {
        {L"<%@ LANGUAGE=\"JScript\" %><% s = 'it\\'s %>'; %>", {L" s = 'it\\'s %>'; "}},
        {L"<%@ language=javascript %><% s = \"a\\\"%>\"; %>", {L" s = \"a\\\"%>\"; "}},
        {L"<%@ Language=JScript %><% x = 1; // note %>tail", {L" x = 1; // note "}},
        {L"<%@ Language=JScript %><% /* a %> */ %>", {L" /* a "}},
    };
    for (const Case& c : cases) {
        ParsedPage page = parseText(c.page);
        EXPECT_EQ(page.language, Language::JScript) << c.page;
        EXPECT_EQ(codeOf(page), c.code) << c.page;
    }
}

TEST(PageParser, DirectiveRules) {
    EXPECT_EQ(parseText(L"<%@ LANGUAGE=VBScript CODEPAGE=65001 %>x").language, Language::VBScript);
    EXPECT_EQ(parseText(L"  <%@LANGUAGE=\"JScript\"%>").language, Language::JScript);
    EXPECT_THROW(parseText(L"<%@ LANGUAGE=\"Perl\" %>"), PageError);
    EXPECT_THROW(parseText(L"text<%@ LANGUAGE=JScript %>"), PageError);
    // The line break after the directive is not page output.
    ParsedPage page = parseText(L"<%@ LANGUAGE=VBScript %>\r\n<% x %>");
    ASSERT_EQ(page.segments.size(), 1u);
    EXPECT_EQ(page.segments[0].pos.line, 2);
}

TEST(PageParser, ReportsMissingCloseWithItsLine) {
    try {
        parseText(L"a\nb\n<% x = 1\n");
        FAIL() << "no error";
    } catch (const PageError& e) {
        EXPECT_EQ(e.pos.file, L"/dir/page.asp");
        EXPECT_EQ(e.pos.line, 3);
    }
}

TEST(PageParser, IncludesExpandInPlaceWithTheirOwnLines) {
    ParsedPage page = parseText(L"top\n<!-- #include file=\"inc/a.inc\" -->\n<% y %>",
                                {{L"/dir/inc/a.inc", L"<p>\n<% x %><!--#INCLUDE VIRTUAL=\"/lib.inc\"-->"},
                                 {L"/lib.inc", L"<%= z %>"}});
    ASSERT_EQ(page.segments.size(), 6u);
    EXPECT_EQ(page.segments[1].text, L"<p>\n");
    EXPECT_EQ(page.segments[1].pos.file, L"/dir/inc/a.inc");
    EXPECT_EQ(page.segments[2].text, L" x ");
    EXPECT_EQ(page.segments[2].pos.line, 2);
    EXPECT_EQ(page.segments[3].pos.file, L"/lib.inc");
    EXPECT_EQ(page.segments[3].kind, SegmentKind::Expression);
    EXPECT_EQ(page.segments[5].text, L" y ");
    EXPECT_EQ(page.segments[5].pos.file, L"/dir/page.asp");
    EXPECT_EQ(page.segments[5].pos.line, 3);
}

TEST(PageParser, IncludeFailures) {
    // Missing, climbing above the root, including itself.
    EXPECT_THROW(parseText(L"<!-- #include file=\"nope.inc\" -->"), PageError);
    EXPECT_THROW(parseText(L"<!-- #include file=\"../../x.inc\" -->", {{L"/x.inc", L""}}), PageError);
    EXPECT_THROW(parseText(L"<!-- #include file=\"page.asp\" -->"), PageError);
    // An ordinary comment, or an include inside code, is left alone.
    EXPECT_EQ(parseText(L"<!-- just a comment -->").segments.size(), 1u);
}

TEST(ScriptBuilder, LiteralsAreWrittenByNumberAndLinesMapBack) {
    PageScript script = buildScript(parseText(L"<b>\"x\"</b>\n<% a = 1\nb = 2 %>\n<%= a %>"));
    EXPECT_EQ(script.blocks, (std::vector<std::wstring>{L"<b>\"x\"</b>\n", L"\n"}));
    EXPECT_EQ(script.text, L"Response.WriteBlock 0\n a = 1\nb = 2 \nResponse.WriteBlock 1\nResponse.Write ( a )\n");
    EXPECT_EQ(positionOf(script, 2).line, 3);  // "b = 2"
    EXPECT_EQ(positionOf(script, 4).line, 4);  // the expression
}

TEST(ScriptBuilder, JScriptStatements) {
    PageScript script = buildScript(parseText(L"<%@ LANGUAGE=JScript %>x<%= 1 + 2 %>"));
    EXPECT_EQ(script.text, L"Response.WriteBlock(0);\nResponse.Write( 1 + 2 );\n");
}

TEST(ScriptBuilder, OptionExplicitGoesFirst) {
    PageScript script = buildScript(parseText(L"<%@ LANGUAGE=VBScript %>\r\n\r\n<% Option  Explicit\r\nDim a %>"));
    EXPECT_EQ(script.text.substr(0, 16), L"Option Explicit\n");
    EXPECT_EQ(script.text.find(L"Option", 1), std::wstring::npos);
    EXPECT_EQ(positionOf(script, 0).line, 3);
    // Not hoisted out of a later block, nor when the words only begin another name.
    EXPECT_EQ(buildScript(parseText(L"<b>x</b><% Option Explicit %>")).text.find(L"Option"), 23u);
    EXPECT_EQ(buildScript(parseText(L"<% Option Explicitly %>")).text.find(L"Option"), 1u);
}

}  // namespace
}  // namespace asphost
