#include "server/static_files.h"

#include "common/handles.h"
#include "web/http_message.h"
#include "paths/virtual_path.h"

namespace asphost {

bool isHiddenExtension(const std::wstring& ext) { return ext == L".inc" || ext == L".asa" || ext == L".config"; }

std::wstring servedExtension(const std::wstring& physical) {
    std::wstring longName(MAX_PATH, L'\0');
    DWORD n = ::GetLongPathNameW(physical.c_str(), longName.data(), static_cast<DWORD>(longName.size()));
    if (n >= longName.size()) {
        longName.resize(n);
        n = ::GetLongPathNameW(physical.c_str(), longName.data(), static_cast<DWORD>(longName.size()));
    }
    // A file that cannot be looked up is not served either; its own
    // extension is as good as any for the refusal.
    if (n == 0 || n >= longName.size()) return extensionOf(physical);
    longName.resize(n);
    return extensionOf(longName);
}

void sendFile(Socket& socket, const std::wstring& path, const std::wstring& contentType, HeaderList headers,
              bool headOnly, std::string& status) {
    kb::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) {
        status = "404";
        return sendSimple(socket, L"404 Not Found", L"The file cannot be read.", headOnly);
    }
    ResponseHead head;
    head.contentType = contentType;
    head.headers = std::move(headers);
    head.contentLength = static_cast<size_t>(size.QuadPart);
    status = "200";
    if (!socket.sendAll(formatResponseHead(head)) || headOnly) return;
    std::string chunk(64 * 1024, '\0');
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) || got == 0) return;
        if (!socket.sendAll(std::string_view(chunk.data(), got))) return;
    }
}

}  // namespace asphost
