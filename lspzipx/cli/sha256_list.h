// lspzip --check-sha256: a list of SHA-256 sums as sha256sum writes it,
// checked against the files it names. The install scripts check a package
// with it, since not every system's own tools hash a file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lsz::cli {

// The exit code when the list cannot be read or a file is not as listed.
constexpr int kNotAsListed = 4;

struct ListedSum {
    std::wstring sha256;  // 64 hexadecimal digits, in lower case
    std::wstring name;    // as listed: relative to the list's folder, '/' or '\' between folders
};

// One line of the list: 64 hexadecimal digits, a blank, then a blank (text
// mode) or '*' (binary mode), then the name. Nothing for any other line.
std::optional<ListedSum> parseSumLine(std::wstring_view line);

// Checks every file the list at listPath names, with the names taken
// relative to the list's folder. Prints a line on the standard error for
// each file that is missing, unreadable or changed and for each line it
// cannot read, and a closing count; without quiet, also "name: OK" for
// each sound file and a closing count when all are. Returns 0 when every
// file is as listed, else kNotAsListed.
int checkSha256List(const std::wstring& listPath, bool quiet);

}  // namespace lsz::cli
