// lspzip's command line, as zip users type it: flags that combine (-r9,
// -qr), options before or after the operands, "--" to end them, lists of
// patterns after -x and -i, and an error that names the option it could
// not take. A flag whose zip meaning lspzip does not offer is refused by
// name, never taken for something else.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lsz::cli {

// Zip writes an archive (and, with -T, tests it before it takes its name);
// Test and List read an existing one.
enum class Action { Zip, Test, List, Help, Version, CheckSha256, Settings };

struct Arguments {
    Action action = Action::Zip;
    int rate = 6;
    bool recurse = false;
    bool junkPaths = false;        // -j
    bool includeHidden = false;    // -S
    bool deleteOriginals = false;  // -m
    bool test = false;             // -T
    bool namesFromInput = false;   // -@
    bool quiet = false;
    bool promptPassword = false;  // -e
    bool aes = false;             // --aes
    std::optional<std::wstring> password;  // -p or -P
    std::optional<unsigned> threads;       // -t
    std::vector<std::wstring> includePatterns;  // -i
    std::vector<std::wstring> excludePatterns;  // -x
    std::vector<std::wstring> includeLists;     // -i@file: files of patterns, one a line
    std::vector<std::wstring> excludeLists;     // -x@file
    std::wstring zipPath;  // as typed; Zip adds ".zip" where it has no extension
    std::vector<std::wstring> sources;
    std::wstring sha256List;  // --check-sha256
};

struct Parsed {
    Arguments arguments;
    std::wstring error;  // "" when the command line is usable
};

// args excludes the program's name.
Parsed parseCommandLine(const std::vector<std::wstring>& args);

// The help text, ending in a line break.
const wchar_t* helpText();

}  // namespace lsz::cli
