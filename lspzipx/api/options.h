// The arguments of LSZIP_EXECUTE and LSZIP_PASSWORD, as values.
#pragma once

#include "crypto/entry_cipher.h"
#include "lspzipx.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace lsz {

// The option bits and the mode of lspzipx.h, under the library's own names.
namespace option {
constexpr int32_t Always = LSZIP_OPTION_ALWAYS;
constexpr int32_t Encrypt = LSZIP_OPTION_ENCRYPT;
constexpr int32_t Recurse = LSZIP_OPTION_RECURSE;
constexpr int32_t DeleteOriginals = LSZIP_OPTION_DELETE_ORIGINALS;
constexpr int32_t KeepPaths = LSZIP_OPTION_KEEP_PATHS;
constexpr int32_t Reserved = LSZIP_OPTION_RESERVED;
constexpr int32_t ExactFolder = LSZIP_OPTION_EXACT_FOLDER;
}  // namespace option

constexpr int32_t kModeCreate = LSZIP_MODE_CREATE;

struct ExecuteOptions {
    bool encrypt = false;
    bool recurse = false;
    bool keepPaths = false;
    bool deleteOriginals = false;
    bool exactFolder = false;
};

ExecuteOptions decodeOptions(int32_t word);

constexpr size_t kMaxPasswordBytes = 255;

// A password is taken when it is not empty and at most 255 bytes.
bool passwordAcceptable(std::string_view password);

constexpr unsigned kMaxThreads = 64;

// Worker threads for one archive: one per processor, at most kMaxThreads,
// and at most the value of the LSPZIPX_THREADS environment variable when it
// is a number from 1 to 64 (anything else there is ignored).
unsigned workerThreads(const wchar_t* environmentValue, unsigned processors);

// The same for this process, from its environment and its processors.
unsigned configuredThreads();

// How many workers may have a source file open at once: the value of the
// LSPZIPX_READERS environment variable when it is a number from 1 to 64,
// else 0, which lets every worker read.
unsigned configuredReaders();

// The cipher of an encrypted archive: AES-256 when the machine's
// ZipEncryption setting says AES256, else the traditional one.
Cipher configuredCipher();

}  // namespace lsz
