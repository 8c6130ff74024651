#include "cli/listing.h"

#include "common/text.h"
#include "format/records.h"

#include <windows.h>

#include <cwchar>

namespace lsz::cli {

namespace {

constexpr UINT kDosCodePage = 437;

std::wstring lengthColumn(uint64_t n) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%9llu", static_cast<unsigned long long>(n));
    return text;
}

// "2026-12-09 23:35", from the DOS stamp as stored.
std::wstring stamp(uint16_t date, uint16_t time) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", 1980u + (date >> 9), (date >> 5) & 15u, date & 31u,
                  time >> 11, (time >> 5) & 63u);
    return text;
}

}  // namespace

std::wstring displayName(const StoredEntry& entry) {
    if (entry.flags & flag::Utf8Name) return kb::fromUtf8(entry.name);
    int n = ::MultiByteToWideChar(kDosCodePage, 0, entry.name.data(), static_cast<int>(entry.name.size()), nullptr, 0);
    if (n <= 0) return kb::fromUtf8(entry.name);
    std::wstring name(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(kDosCodePage, 0, entry.name.data(), static_cast<int>(entry.name.size()), name.data(), n);
    return name;
}

std::wstring listing(const std::wstring& zipPath, const std::vector<StoredEntry>& entries) {
    std::wstring out = L"Archive:  " + zipPath + L"\n";
    out += L"  Length      Date    Time    Name\n";
    out += L"---------  ---------- -----   ----\n";
    uint64_t total = 0;
    for (const StoredEntry& e : entries) {
        out += lengthColumn(e.size) + L"  " + stamp(e.dosDate, e.dosTime) + L"   " + displayName(e) + L"\n";
        total += e.size;
    }
    out += L"---------                     -------\n";
    out += lengthColumn(total) + L"                     " + std::to_wstring(entries.size()) +
           (entries.size() == 1 ? L" file\n" : L" files\n");
    return out;
}

}  // namespace lsz::cli
