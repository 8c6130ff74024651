#include "cli/sha256_list.h"

#include "cli/console.h"
#include "common/handles.h"
#include "common/text.h"
#include "crypto/cng.h"

#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

namespace lsz::cli {

namespace {

// Hands the file at path to take in pieces; false, with the system's error
// in error, when it cannot be opened or read.
template <typename Take>
bool readPieces(const std::wstring& path, DWORD& error, Take take) {
    kb::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        error = ::GetLastError();
        return false;
    }
    std::vector<uint8_t> buffer(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            error = ::GetLastError();
            return false;
        }
        if (got == 0) return true;
        take(buffer.data(), got);
    }
}

// The SHA-256 of a file in lower-case hexadecimal; nothing, with the
// system's error in error, when it cannot be read.
std::optional<std::wstring> sha256OfFile(const std::wstring& path, DWORD& error) {
    UniqueHash hash;
    checkStatus(::BCryptCreateHash(sha256Provider(), hash.put(), nullptr, 0, nullptr, 0, 0));
    if (!readPieces(path, error, [&](uint8_t* data, DWORD size) { checkStatus(::BCryptHashData(hash.get(), data, size, 0)); })) {
        return std::nullopt;
    }
    uint8_t digest[32];
    checkStatus(::BCryptFinishHash(hash.get(), digest, sizeof digest, 0));
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex;
    for (uint8_t b : digest) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

std::wstring reason(DWORD error) {
    std::wstring text = kb::systemErrorText(error);
    return text.empty() ? L"" : L": " + text;
}

std::wstring plural(size_t n, const wchar_t* word) { return std::to_wstring(n) + L" " + word + (n == 1 ? L"" : L"s"); }

}  // namespace

std::optional<ListedSum> parseSumLine(std::wstring_view line) {
    if (line.size() < 67 || line[64] != L' ' || (line[65] != L' ' && line[65] != L'*')) return std::nullopt;
    ListedSum sum;
    for (wchar_t c : line.substr(0, 64)) {
        if (!std::iswxdigit(c)) return std::nullopt;
        sum.sha256 += static_cast<wchar_t>(std::towlower(c));
    }
    sum.name = line.substr(66);
    return sum;
}

int checkSha256List(const std::wstring& listPath, bool quiet) {
    DWORD error = 0;
    std::string list;
    if (!readPieces(listPath, error, [&](uint8_t* data, DWORD size) { list.append(reinterpret_cast<char*>(data), size); })) {
        writeErr(L"lspzip: cannot read the list " + listPath + reason(error) + L"\n");
        return kNotAsListed;
    }
    std::wstring text = kb::fromUtf8(list);
    if (text.rfind(L"\xFEFF", 0) == 0) text.erase(0, 1);
    const size_t slash = listPath.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : listPath.substr(0, slash + 1);

    size_t files = 0, changed = 0, unread = 0, lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.empty()) continue;
        std::optional<ListedSum> sum = parseSumLine(line);
        if (!sum) {
            writeErr(L"lspzip: " + listPath + L", line " + std::to_wstring(lineNumber) + L": not a SHA-256 and a name\n");
            ++unread;
            continue;
        }
        ++files;
        std::wstring path = folder + sum->name;
        for (wchar_t& c : path) {
            if (c == L'/') c = L'\\';
        }
        std::optional<std::wstring> actual = sha256OfFile(path, error);
        if (!actual) {
            writeErr(L"lspzip: " + path + L": cannot be read" + reason(error) + L"\n");
            ++changed;
        } else if (*actual != sum->sha256) {
            writeErr(L"lspzip: " + path + L": changed: its SHA-256 is not the one listed\n");
            ++changed;
        } else if (!quiet) {
            writeOut(sum->name + L": OK\n");
        }
    }
    if (changed) {
        writeErr(L"lspzip: " + listPath + L": " + std::to_wstring(changed) + L" of " + plural(files, L"file") +
                 L" missing or changed\n");
    }
    if (changed || unread) return kNotAsListed;
    if (files == 0) {
        writeErr(L"lspzip: " + listPath + L" lists no file\n");
        return kNotAsListed;
    }
    if (!quiet) writeOut(L"lspzip: " + listPath + L": " + plural(files, L"file") + L" as listed\n");
    return 0;
}

}  // namespace lsz::cli
