// lspzip's command line, as zip users type it: flags that combine (-r9,
// -qr), options before or after the operands, "--" to end them, and an
// error that names the option it could not take.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lsz::cli {

enum class Action { Zip, Help, Version, CheckSha256, Settings };

struct Arguments {
    Action action = Action::Zip;
    int rate = 6;
    bool recurse = false;
    bool deleteOriginals = false;
    bool quiet = false;
    bool promptPassword = false;  // -e
    bool aes = false;             // --aes
    std::optional<std::wstring> password;  // -p
    std::optional<unsigned> threads;       // -t
    std::wstring zipPath;
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
