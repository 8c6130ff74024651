#include "deflate/store_rule.h"

#include "common/file_names.h"

namespace lsz {

namespace {

constexpr std::wstring_view kPrecompressed[] = {
    L"7z",   L"aac",  L"apk",  L"avi",  L"avif", L"bz2",  L"cab",  L"deb",  L"docx", L"epub", L"flac",
    L"gif",  L"gz",   L"heic", L"jar",  L"jpeg", L"jpg",  L"lz",   L"lzma", L"m4a",  L"m4v",  L"mkv",
    L"mov",  L"mp3",  L"mp4",  L"odp",  L"ods",  L"odt",  L"ogg",  L"opus", L"png",  L"pptx", L"rar",
    L"rpm",  L"tbz2", L"tgz",  L"txz",  L"webm", L"webp", L"woff", L"woff2", L"xlsx", L"xz",   L"z",
    L"zip",  L"zst",
};

}  // namespace

bool isPrecompressedName(std::wstring_view name) {
    size_t dot = name.find_last_of(L"./\\");
    if (dot == std::wstring_view::npos || name[dot] != L'.') return false;
    std::wstring_view extension = name.substr(dot + 1);
    for (auto known : kPrecompressed) {
        if (kb::sameName(extension, known)) return true;
    }
    return false;
}

Verdict judgeFirstChunk(size_t rawSize, size_t deflatedSize, bool onlyChunk) {
    if (onlyChunk) return deflatedSize < rawSize ? Verdict::Deflate : Verdict::Store;
    return static_cast<uint64_t>(deflatedSize) * 100 <= static_cast<uint64_t>(rawSize) * 99 ? Verdict::Deflate
                                                                                              : Verdict::Store;
}

}  // namespace lsz
