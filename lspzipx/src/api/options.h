// The arguments of LSZIP_EXECUTE and LSZIP_PASSWORD, as values.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lsz {

namespace option {
constexpr int32_t Always = 0x0001;           // set by every caller; means nothing alone
constexpr int32_t Encrypt = 0x0010;          // encrypt with the password given
constexpr int32_t Recurse = 0x0080;          // descend into subdirectories
constexpr int32_t DeleteOriginals = 0x0100;  // delete the zipped files after success
constexpr int32_t KeepPaths = 0x0800;        // keep subdirectory paths in entry names
constexpr int32_t Reserved = 0x2000;         // sent together with recursion; no meaning of its own
}  // namespace option

// The only mode: create a new archive, replacing the target only on success.
constexpr int32_t kModeCreate = 2;

struct ExecuteOptions {
    bool encrypt = false;
    bool recurse = false;
    bool keepPaths = false;
    bool deleteOriginals = false;
};

ExecuteOptions decodeOptions(int32_t word);

constexpr size_t kMaxPasswordBytes = 255;

// A password is taken when it is not empty and at most 255 bytes.
bool passwordAcceptable(std::string_view password);

// Worker threads for one archive: the value of the LSPZIPX_THREADS
// environment variable when it is a number from 1 to 64, else one per
// processor up to 8.
unsigned workerThreads(const wchar_t* environmentValue, unsigned processors);

}  // namespace lsz
