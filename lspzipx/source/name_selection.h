// Choosing files by name, as zip's -i and -x choose them: a pattern
// matches a whole name, "/" between folders, with "*" for any run of
// characters ("/" included, so "*.o" takes a .o file in every folder),
// "?" for one and "[...]" for one of a set ("[!...]" or "[^...]" for one
// outside it). Case does not count, as it does not in Windows names; a
// "\" in a pattern is a folder separator, as in the paths people type.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lsz {

bool matchesPattern(std::wstring_view pattern, std::wstring_view name);

// The item as zip would begin its stored names: "/" between folders, with
// no drive, no server and share, no leading "/", "./" or "../", and no
// trailing "/". For a folder that stands for its contents this is the
// folder itself; for a file or a pattern, the folder it lies in.
std::wstring typedPrefix(std::wstring_view item, bool itemIsFolder);

class NameSelection {
public:
    NameSelection() = default;
    NameSelection(std::vector<std::wstring> include, std::vector<std::wstring> exclude);

    bool empty() const { return include_.empty() && exclude_.empty(); }

    // A file is taken when no exclusion matches it and, if there are
    // inclusions, one of them does. Each pattern is tried on the file's
    // path below its item ("deep/c.txt", the name -r stores) and on its
    // path as zip would store it from the item as typed ("tree/deep/c.txt"),
    // so that patterns written either way select alike. A folder entry's
    // name ends in "/".
    bool takes(std::wstring_view belowItem, std::wstring_view asTyped) const;

private:
    std::vector<std::wstring> include_;
    std::vector<std::wstring> exclude_;
};

}  // namespace lsz
