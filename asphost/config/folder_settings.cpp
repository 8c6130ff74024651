#include "config/folder_settings.h"

#include "common/handles.h"
#include "paths/virtual_path.h"

#include <windows.h>

namespace asphost {

namespace {

// IIS's own limit on a web.config.
constexpr LONGLONG kMaxConfigBytes = 250 * 1024;

// Applies the folder's web.config, when it has one, over config.
bool applyFolderFile(const std::wstring& folder, FolderConfig& config) {
    std::wstring path = folder;
    if (path.back() != L'\\') path += L'\\';
    path += L"web.config";
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // A folder that does not exist has no settings; one that cannot be
        // looked into may well have some.
        DWORD error = ::GetLastError();
        return error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    kb::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxConfigBytes) return false;
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!text.empty() && (!::ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr) ||
                          got != text.size())) {
        return false;
    }
    return applyWebConfig(text, config);
}

}  // namespace

std::optional<FolderConfig> folderSettings(const std::wstring& root, const std::wstring& virtualPath) {
    FolderConfig config;
    std::wstring folder = virtualDirectory(virtualPath);
    // "/", "/a/", "/a/b/": each folder from the root down.
    for (size_t slash = 0; slash != std::wstring::npos; slash = folder.find(L'/', slash + 1)) {
        if (!applyFolderFile(physicalPath(root, folder.substr(0, slash + 1)), config)) return std::nullopt;
    }
    return config;
}

}  // namespace asphost
