#include "common/file_system.h"

#include "common/errors.h"
#include "common/file_names.h"
#include "common/handles.h"

namespace kb {

namespace {

bool isListed(const WIN32_FIND_DATAW& data, Listing kind) {
    DWORD a = data.dwFileAttributes;
    std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") return false;
    if (kind == Listing::Everything) return true;
    if (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return false;
    return !(a & FILE_ATTRIBUTE_DIRECTORY) || kind == Listing::FilesAndDirectories;
}

bool meansNothingMatched(DWORD err) {
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_NO_MORE_FILES;
}

}  // namespace

void forEachEntry(const std::wstring& pattern, Listing kind, const std::function<bool(const Entry&)>& visit) {
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) {
        if (meansNothingMatched(::GetLastError())) return;
        throwLastError();
    }
    do {
        if (isListed(data, kind)) {
            Entry entry{data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                        data.dwFileAttributes};
            if (!visit(entry)) return;
        }
    } while (::FindNextFileW(find.get(), &data));
    if (::GetLastError() != ERROR_NO_MORE_FILES) throwLastError();
}

std::wstring firstFile(const std::wstring& pattern) {
    std::wstring found;
    forEachEntry(pattern, Listing::Files, [&](const Entry& e) {
        found = e.name;
        return false;
    });
    return found;
}

std::wstring currentDirectory() {
    DWORD n = ::GetCurrentDirectoryW(0, nullptr);
    if (n == 0) throwLastError();
    std::wstring dir(n, L'\0');
    n = ::GetCurrentDirectoryW(n, dir.data());
    dir.resize(n);
    return dir;
}

namespace {

std::wstring finalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n + 1);
    }
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

std::wstring resolvedPath(const std::wstring& path) {
    UniqueFile handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle ? finalPath(handle.get()) : std::wstring();
}

bool deleteFileInside(const std::wstring& folder, const std::wstring& folderResolved, const std::wstring& name) {
    // On Windows the link itself is opened and recognised by its attribute.
    // Under Wine a link opens as its target, which is recognised by where it
    // resolves to.
    UniqueFile file(::CreateFileW((folder + L"\\" + name).c_str(), DELETE | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file.get(), &info)) return false;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (folderResolved.empty() || !sameName(finalPath(file.get()), folderResolved + L"\\" + name)) return false;
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

UniqueFile holdDirectory(const std::wstring& path) {
    return UniqueFile(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

UniqueFile openDirectoryForRemoval(const std::wstring& path) {
    return UniqueFile(::CreateFileW(path.c_str(), DELETE | FILE_LIST_DIRECTORY, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

std::wstring fullPathName(const std::wstring& path) {
    DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring out(n, L'\0');
    n = ::GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
    if (n == 0 || n >= out.size()) return {};
    out.resize(n);
    return out;
}

bool liesWithin(std::wstring_view path, std::wstring_view folder) {
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.remove_suffix(1);
    if (folder.empty() || path.size() < folder.size() || !sameName(path.substr(0, folder.size()), folder)) return false;
    return path.size() == folder.size() || path[folder.size()] == L'\\' || path[folder.size()] == L'/';
}

}  // namespace kb
