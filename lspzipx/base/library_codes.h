// The codes LSZIP_EXECUTE returns, and the failure that carries one up to
// it. The codes and their meanings are lspzipx.h's.
#pragma once

#include "lspzipx.h"

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lsz {

// The results under the library's own names; each value is written once,
// in lspzipx.h.
namespace code {
constexpr int32_t Ok = LSZIP_OK;
constexpr int32_t InvalidZipName = LSZIP_INVALID_ZIP_NAME;
constexpr int32_t InvalidSource = LSZIP_INVALID_SOURCE;
constexpr int32_t OutOfMemory = LSZIP_OUT_OF_MEMORY;
constexpr int32_t InternalError = LSZIP_INTERNAL_ERROR;
constexpr int32_t FileNotMatched = LSZIP_FILE_NOT_MATCHED;
constexpr int32_t DuplicateName = LSZIP_DUPLICATE_NAME;
constexpr int32_t ListError = LSZIP_LIST_ERROR;
constexpr int32_t NothingToDo = LSZIP_NOTHING_TO_DO;
constexpr int32_t CannotCreate = LSZIP_CANNOT_CREATE;
constexpr int32_t ReadError = LSZIP_READ_ERROR;
constexpr int32_t WriteError = LSZIP_WRITE_ERROR;
constexpr int32_t CentralDirectoryError = LSZIP_CENTRAL_DIRECTORY_ERROR;
constexpr int32_t EndRecordError = LSZIP_END_RECORD_ERROR;
constexpr int32_t RenameFailed = LSZIP_RENAME_FAILED;
constexpr int32_t OriginalsKept = LSZIP_ORIGINALS_KEPT;
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
