// The arguments of LSZIP_EXECUTE and LSZIP_PASSWORD, as values.
#pragma once

#include "crypto/entry_cipher.h"

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
constexpr int32_t ExactFolder = 0x4000;      // the target's folder must be itself, not a link
}  // namespace option

// The only mode: create a new archive, replacing the target only on success.
constexpr int32_t kModeCreate = 2;

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
