#include "common/file_system.h"

#include "common/errors.h"
#include "common/handles.h"

#include <vector>

namespace kb {

namespace {

bool isListed(const WIN32_FIND_DATAW& data, Listing kind) {
    DWORD a = data.dwFileAttributes;
    if (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return false;
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
        if (kind != Listing::FilesAndDirectories) return false;
        std::wstring_view name = data.cFileName;
        return name != L"." && name != L"..";
    }
    return true;
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
            Entry entry{data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
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

std::wstring directoryOf(const std::wstring& pattern) {
    size_t slash = pattern.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : pattern.substr(0, slash + 1);
}

int deleteFiles(const std::wstring& pattern) {
    // Collect first: deleting while enumerating may skip entries.
    std::vector<std::wstring> names;
    try {
        forEachEntry(pattern, Listing::Files, [&](const Entry& e) {
            names.push_back(e.name);
            return true;
        });
    } catch (const HResultError&) {
        return 1;
    }
    std::wstring dir = directoryOf(pattern);
    int left = 0;
    for (const auto& name : names) {
        if (!::DeleteFileW((dir + name).c_str())) ++left;
    }
    return left;
}

std::wstring currentDirectory() {
    DWORD n = ::GetCurrentDirectoryW(0, nullptr);
    if (n == 0) throwLastError();
    std::wstring dir(n, L'\0');
    n = ::GetCurrentDirectoryW(n, dir.data());
    dir.resize(n);
    return dir;
}

}  // namespace kb
