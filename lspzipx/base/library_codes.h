// The codes LSZIP_EXECUTE returns. The component shows their texts, so each
// failure picks the code whose message describes it best.
#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lsz {

namespace code {
constexpr int32_t Ok = 0;
constexpr int32_t InvalidZipName = 151;     // the zip path cannot be used
constexpr int32_t InvalidSource = 152;      // no or malformed source specification
constexpr int32_t OutOfMemory = 153;
constexpr int32_t InternalError = 158;      // a caller's contract broken, or our own fault
constexpr int32_t FileNotMatched = 159;     // a file named without wildcards does not exist
constexpr int32_t DuplicateName = 162;
constexpr int32_t ListError = 163;          // a directory could not be listed
constexpr int32_t NothingToDo = 167;
constexpr int32_t CannotCreate = 169;
constexpr int32_t ReadError = 178;          // a source could not be opened or read
constexpr int32_t WriteError = 182;         // writing entry data failed
constexpr int32_t CentralDirectoryError = 183;
constexpr int32_t EndRecordError = 184;
constexpr int32_t RenameFailed = 189;
constexpr int32_t OriginalsKept = 190;      // the archive is complete, but some originals are still there
}  // namespace code

// A failure with the library code to return, the system's own error and the
// path it concerns, so that every layer passes one value up instead of
// inventing its own, and whoever reports it can say what and where.
class LibError : public std::runtime_error {
public:
    LibError(int32_t code, DWORD system, std::wstring path = {})
        : std::runtime_error("lspzipx failure"), code_(code), system_(system), path_(std::move(path)) {}
    int32_t code() const { return code_; }
    DWORD system() const { return system_; }
    // The source, folder or archive the failure concerns; "" when none.
    const std::wstring& path() const { return path_; }

private:
    int32_t code_;
    DWORD system_;
    std::wstring path_;
};

[[noreturn]] inline void fail(int32_t libraryCode, DWORD system = 0, std::wstring_view path = {}) {
    throw LibError(libraryCode, system, std::wstring(path));
}
[[noreturn]] inline void failWithLastError(int32_t libraryCode, std::wstring_view path = {}) {
    DWORD system = ::GetLastError();  // before anything else can change it
    throw LibError(libraryCode, system, std::wstring(path));
}

}  // namespace lsz
