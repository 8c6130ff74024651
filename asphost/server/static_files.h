// What of the site is served as it is, and how.
#pragma once

#include "server/socket.h"

#include <string>

namespace asphost {

// Files that belong to the site's code, never to its visitors.
bool isHiddenExtension(const std::wstring& extension);

// The default documents a folder's address serves, in the order tried.
inline constexpr const wchar_t* kDefaultDocuments[] = {L"default.asp", L"index.asp", L"index.html", L"index.htm",
                                                       L"default.htm"};

// The lower-case extension of the file a physical path opens, taken from
// its long name: a short name such as SECR~WDK.CON opens secret.config, and
// what is served must be decided by the name of what is opened.
std::wstring servedExtension(const std::wstring& physical);

// Sends the file with its content type, its length and the folder's own
// headers; status receives "200", or "404" when it cannot be read.
void sendFile(Socket& socket, const std::wstring& path, const std::wstring& contentType, HeaderList headers,
              bool headOnly, std::string& status);

}  // namespace asphost
