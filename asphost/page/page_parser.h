// Turns the text of an .asp file into the pieces a script engine runs: literal
// HTML, code blocks and output expressions, with every include expanded in
// place and every piece remembering the file and line it came from.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace asphost {

enum class Language { VBScript, JScript };

struct SourcePos {
    std::wstring file;  // virtual path, as errors name it
    int line = 1;
};

enum class SegmentKind { Literal, Code, Expression };

struct Segment {
    SegmentKind kind;
    std::wstring text;
    SourcePos pos;
};

struct ParsedPage {
    Language language = Language::VBScript;
    std::vector<Segment> segments;
};

// A fault in the page's text itself, reported like a script error.
class PageError : public std::runtime_error {
public:
    PageError(SourcePos pos, std::wstring message)
        : std::runtime_error("page error"), pos(std::move(pos)), message(std::move(message)) {}
    SourcePos pos;
    std::wstring message;
};

// Where the parser gets the text of the page and of its includes.
class SourceFiles {
public:
    virtual ~SourceFiles() = default;
    // The text of the file at a normalised virtual path; throws PageError
    // (with an empty position) when it cannot be read.
    virtual std::wstring read(const std::wstring& virtualPath) = 0;
};

ParsedPage parsePage(const std::wstring& virtualPath, SourceFiles& files);

// The language a LANGUAGE attribute names, as IIS accepts it.
bool languageFromName(std::wstring_view name, Language& language);

}  // namespace asphost
