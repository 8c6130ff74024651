// Builds the one script that runs a parsed page. Literal HTML is not quoted
// into the script: it stays in a table and the script writes it by number,
// so no text of the page can break out of a string literal.
#pragma once

#include "page/page_parser.h"

#include <string>
#include <vector>

namespace asphost {

struct PageScript {
    Language language = Language::VBScript;
    std::wstring text;
    std::vector<SourcePos> lines;      // the page position of each script line (0-based index)
    std::vector<std::wstring> blocks;  // the literal HTML, by number
};

PageScript buildScript(const ParsedPage& page);

// The page position of a 0-based script line, for error reports.
SourcePos positionOf(const PageScript& script, int scriptLine);

}  // namespace asphost
