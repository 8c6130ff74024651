// Virtual paths of the site and their physical counterparts. Pure rules: no
// file is touched here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace asphost {

// Resolves path as a page writes it ("/"-rooted, or relative to the page's
// own directory) to a normalised virtual path beginning with "/". "." and
// ".." are folded; a trailing "/" is kept. Backslashes count as slashes, as
// they do for IIS. Returns nothing when the path climbs above the root.
std::optional<std::wstring> resolveVirtualPath(std::wstring_view currentPage, std::wstring_view path);

// The physical path of a normalised virtual path below root. The site root
// itself maps without a trailing backslash, as IIS maps "/".
std::wstring physicalPath(std::wstring_view root, std::wstring_view virtualPath);

// The virtual directory of a page: "/a/b.asp" gives "/a/".
std::wstring virtualDirectory(std::wstring_view virtualPath);

// Checks a decoded request path before it goes near the file system: it must
// be "/"-rooted, stay below the root, and each of its segments must be a
// plain file name by the products' one rule (kb::isPlainFileName): no drive,
// stream, device, refused character or name that Windows would silently
// alter (a trailing dot or blank would otherwise serve a page's source as a
// static file). Returns the normalised virtual path, or nothing when the
// request must be refused.
std::optional<std::wstring> safeRequestPath(std::wstring_view decodedPath);

// The lower-case extension of a path's last segment, with its dot ("" when none).
std::wstring extensionOf(std::wstring_view path);

}  // namespace asphost
