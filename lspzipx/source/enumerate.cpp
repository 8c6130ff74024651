#include "source/enumerate.h"

#include "base/library_codes.h"
#include "common/file_names.h"
#include "common/file_system.h"
#include "common/handles.h"
#include "common/source_list.h"
#include "io/paths.h"

#include <windows.h>

#include <algorithm>

namespace lsz {

namespace {

struct Found {
    std::wstring name;
    DWORD attributes = 0;
    FILETIME lastWrite{};
    uint64_t size = 0;
    bool directory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool hidden() const { return (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0; }
};

bool meansAbsent(DWORD err) {
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_NO_MORE_FILES ||
           err == ERROR_BAD_NETPATH || err == ERROR_BAD_NET_NAME;
}

// The entries matching pattern, sorted by name; none when the pattern or its
// directory does not exist.
std::vector<Found> list(const std::wstring& pattern) {
    std::vector<Found> found;
    WIN32_FIND_DATAW data;
    kb::UniqueFind find(::FindFirstFileExW(extendedPath(pattern).c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        DWORD err = ::GetLastError();
        if (meansAbsent(err)) return found;
        fail(err == ERROR_INVALID_NAME ? code::InvalidSource : code::ListError, err, splitItem(pattern).directory);
    }
    do {
        std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        found.push_back({data.cFileName, data.dwFileAttributes, data.ftLastWriteTime,
                         (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
    } while (::FindNextFileW(find.get(), &data));
    if (::GetLastError() != ERROR_NO_MORE_FILES) failWithLastError(code::ListError, splitItem(pattern).directory);
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return ::CompareStringOrdinal(a.name.c_str(), -1, b.name.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    });
    return found;
}

// A listed name is joined to its folder's path as it is. One that holds
// path syntax (a Unix name under Wine, or on a share another system
// serves, may hold "\\" or ":") would lead to another file, a folder
// above, a drive or a stream, and no exact form reaches it as itself: it is
// refused before anything is opened by it.
void refuseUnlessOneName(const std::wstring& folder, const std::wstring& name) {
    if (kb::holdsPathSyntax(name)) fail(code::InvalidSource, ERROR_INVALID_NAME, folder + name);
}

bool hasWildcards(std::wstring_view name) { return name.find_first_of(L"*?") != std::wstring_view::npos; }

bool matchesEverything(const std::wstring& pattern) { return pattern == L"*" || pattern == L"*.*"; }

class Collector {
public:
    Collector(const EnumerationOptions& options, SourceSink& sink) : options_(options), sink_(sink) {}

    // The zip form of the item as typed, for the selection; set per item.
    void beginItem(std::wstring typedPrefix) { typedPrefix_ = std::move(typedPrefix); }

    void add(const std::wstring& directory, const std::wstring& relative, const Found& f) {
        refuseUnlessOneName(directory + relative, f.name);
        if (!selected(relative, f)) return;
        std::wstring path = directory + relative + f.name;
        for (const auto& excluded : options_.excluded) {
            if (kb::sameName(path, excluded)) return;
        }
        ++count_;
        sink_.found({std::move(path), options_.keepPaths ? relative + f.name : f.name, f.lastWrite, f.attributes,
                     f.size, f.directory()});
    }

    // directory ends in a separator; relative is the path below the item's
    // directory, "" or ending in a backslash.
    void walk(const std::wstring& directory, const std::wstring& relative, const std::wstring& pattern) {
        // Listing a directory is dear under Wine; one listing serves both
        // the files and the subdirectories when the pattern takes all.
        std::vector<Found> all = list(directory + relative + (matchesEverything(pattern) ? L"*" : pattern));
        for (const Found& f : all) {
            if (!f.directory() && taken(f)) add(directory, relative, f);
        }
        sink_.directoryDone();
        if (!options_.recurse) return;
        if (!matchesEverything(pattern)) all = list(directory + relative + L"*");
        for (const Found& f : all) {
            // A linked directory may lead back up the tree; its target is
            // zipped where it really lives, if at all.
            if (f.directory() && !(f.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && taken(f)) {
                refuseUnlessOneName(directory + relative, f.name);
                size_t before = count_;
                walk(directory, relative + f.name + L"\\", pattern);
                // A folder that gave nothing is kept as a folder entry, so
                // that extracting the archive recreates the tree. Only when
                // the pattern takes everything: under *.txt a folder without
                // text files is not part of what was asked for.
                if (count_ == before && options_.keepPaths && matchesEverything(pattern)) {
                    add(directory, relative, f);
                    sink_.directoryDone();
                }
            }
        }
    }

    size_t count() const { return count_; }
    void done() { sink_.directoryDone(); }

private:
    // Whether a listed file or folder is taken by its attributes; one left
    // out for being hidden is told to the sink.
    bool taken(const Found& f) {
        if (!f.hidden()) return true;
        if (options_.includeHidden) return !kb::isArchiveTemporaryName(f.name);
        sink_.passedOver(f.directory());
        return false;
    }

    bool selected(const std::wstring& relative, const Found& f) const {
        if (options_.selection.empty()) return true;
        std::wstring below = relative + f.name + (f.directory() ? L"/" : L"");
        for (wchar_t& c : below) {
            if (c == L'\\') c = L'/';
        }
        return options_.selection.takes(below, typedPrefix_.empty() ? below : typedPrefix_ + L"/" + below);
    }

    const EnumerationOptions& options_;
    SourceSink& sink_;
    size_t count_ = 0;
    std::wstring typedPrefix_;
};

std::wstring withSeparator(std::wstring path) {
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path;
}

void collectItem(const std::wstring& item, Collector& collector) {
    std::wstring full = fullPath(item, code::InvalidSource);
    ItemParts parts = splitItem(full);
    if (hasWildcards(parts.directory)) fail(code::InvalidSource, 0, item);
    if (hasWildcards(parts.name)) {
        collector.beginItem(typedPrefix(item, false));
        collector.walk(parts.directory, L"", parts.name);
        return;
    }
    DWORD attributes = ::GetFileAttributesW(extendedPath(full).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD err = ::GetLastError();
        if (meansAbsent(err)) fail(code::FileNotMatched, err, full);
        fail(err == ERROR_INVALID_NAME ? code::InvalidSource : code::ReadError, err, full);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A directory named outright stands for its contents.
        collector.beginItem(typedPrefix(item, true));
        collector.walk(withSeparator(full), L"", L"*");
        return;
    }
    // The listing gives the name as it is on disk, whatever case the item used.
    std::vector<Found> found = list(full);
    if (found.empty()) fail(code::FileNotMatched, ERROR_FILE_NOT_FOUND, full);
    collector.beginItem(typedPrefix(item, false));
    collector.add(parts.directory, L"", found.front());
    collector.done();
}

}  // namespace

void enumerateSources(const std::vector<std::wstring>& items, const EnumerationOptions& options, SourceSink& sink) {
    Collector collector(options, sink);
    for (const auto& item : items) collectItem(item, collector);
    if (collector.count() == 0) fail(code::NothingToDo, 0, kb::joinSourceList(items));
}

}  // namespace lsz
