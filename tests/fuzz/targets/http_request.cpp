// asphost's reading of a request: the end of the head, the head itself, the
// declared length, the path it leads to and a folder's redirect. Whatever it
// accepts is well formed, and no path it accepts leaves the site.
#include "paths/virtual_path.h"
#include "web/http_request.h"
#include "web/percent_encoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool hasControl(const std::string& s, bool tabAllowed) {
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if ((u < ' ' && !(tabAllowed && c == '\t')) || u == 127) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto end = asphost::findHeadEnd(bytes);
    std::string_view head = end ? bytes.substr(0, end->headSize) : bytes;
    if (end) check(end->headSize < end->bodyStart && end->bodyStart <= size);
    auto request = asphost::parseRequestHead(head);
    if (!request) return 0;
    check(!request->method.empty() && !hasControl(request->method, false));
    check(!request->target.empty() && request->target.find(' ') == std::string::npos && !hasControl(request->target, false));
    for (const auto& [name, value] : request->headers) {
        check(!name.empty() && !hasControl(name, false) && !hasControl(value, true));
    }
    asphost::declaredContentLength(*request);

    // The path as the server decodes it, one byte to one character: the
    // check takes any character, and UTF-8 decoding is the platform's.
    std::string decoded = asphost::percentDecode(request->path(), false);
    std::wstring wide(decoded.begin(), decoded.end());
    for (wchar_t& c : wide) c = static_cast<wchar_t>(static_cast<unsigned char>(c));
    auto path = asphost::safeRequestPath(wide);
    if (!path) return 0;
    check(!path->empty() && (*path)[0] == L'/');
    check(path->find_first_of(L"\\:") == std::wstring::npos);
    check(path->find(L"/../") == std::wstring::npos && !path->ends_with(L"/..") && path->find(L"/./") == std::wstring::npos);
    check(asphost::physicalPath(L"C:\\site", *path).starts_with(L"C:\\site"));

    // The Location that sends a folder to its slash: one leading "/" (two
    // would name another host), nothing a header line or a browser would
    // split on, and the same path back when decoded.
    if (path->ends_with(L"/")) return 0;
    std::string narrow;
    for (wchar_t c : *path) narrow += static_cast<char>(c);
    std::string location = asphost::percentEncodePath(narrow + "/");
    check(location.size() > 1 && location[0] == '/' && location[1] != '/');
    check(location.find_first_of(" ?#\\") == std::string::npos && !hasControl(location, false));
    check(asphost::percentDecode(location, false) == narrow + "/");
    return 0;
}
