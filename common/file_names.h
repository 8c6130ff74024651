// The one rule for a name that must stay a single file inside a known
// folder, whoever supplies it, and the one way names compare.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kb {

// Ordinal, case-insensitive comparison, as the file system compares names.
// Every comparison of names in any letter case goes through it: file and
// device names, extensions, and the host's header, member and language names.
bool sameName(std::wstring_view a, std::wstring_view b);

// True when name can only mean one file directly inside the folder it is
// joined to. Refused: no name, "." and "..", control characters, path
// separators and the look-alikes that a code page conversion turns into
// them, drive and stream colons, the characters Windows refuses in names
// (* ? " < > |), a trailing dot or blank (which Windows drops, so that
// "page.asp." would be written as "page.asp"), and device names such as
// CON, LPT1 or CONIN$, with or without an extension. Every product refuses
// names by this one rule, the host's request paths included.
bool isPlainFileName(std::wstring_view name);

// The extensions of names that a web server runs, hands to a handler, or
// that a browser renders as active content in the site's origin, lower
// case and without their dot: an archive the server made for a visitor
// must never be served as one of them.
extern const wchar_t* const kActiveContentExtensions[];
extern const size_t kActiveContentExtensionCount;

// True when name may be the name of an archive in a download folder: a
// plain file name that does not start with "." (a hidden file answers 404
// and keeps its folder from clean-up) and whose extension is none of the
// active ones. The extension is read after the last dot, and also before
// any ";", which some servers take for the end of the name.
bool isDownloadName(std::wstring_view name);

// True when no segment of a path (split at "/" and "\") is all dots, or
// ends in a dot or a blank. Windows drops trailing dots and blanks and
// reads "..." as "..", so such a segment reaches somewhere other than it
// says once the path is resolved.
bool hasPlainSegments(std::wstring_view path);

// True when path is a path on disk and not a path of the web site: it holds
// a colon, a drive's or a stream's, which no path of a site does. A network
// path (\\server\share) holds none, so it is taken for a path of the site.
bool isPhysicalPath(std::wstring_view path);

// True when name, joined to a folder's path, would not stay one name: it
// holds a path separator, a colon (a drive or a stream) or a control
// character. Windows never makes such a name, but a listing may give one
// (a Unix file under Wine, a share served by another system), and no call
// can open that file by it as itself.
bool holdsPathSyntax(std::wstring_view name);

// An archive's name with ".zip" added when its last part has no extension
// (no "." at all), as zip names its archives: report becomes report.zip,
// C:\out.d\report becomes C:\out.d\report.zip, and data.tar stays.
std::wstring withZipExtension(std::wstring name);

// The hidden file an archive is written to before it takes its name: "."
// + the archive's name + "." + eight hex digits + ".tmp". Clean-up removes
// what a stopped run left behind by this name, and nothing else hidden.
std::wstring archiveTemporaryName(std::wstring_view archiveName, uint32_t unique);
bool isArchiveTemporaryName(std::wstring_view name);

}  // namespace kb
