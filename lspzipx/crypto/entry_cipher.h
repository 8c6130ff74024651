// Encryption of one entry's data as the writer streams it: a header before
// the data, the data encrypted in place, and a trailer after it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lsz {

enum class Cipher { None, ZipCrypto, Aes256 };

class EntryCipher {
public:
    virtual ~EntryCipher() = default;
    virtual std::vector<uint8_t> header() = 0;
    virtual void encrypt(uint8_t* data, size_t size) = 0;
    virtual std::vector<uint8_t> trailer() = 0;
};

// The bytes encryption adds to an entry's compressed size.
uint64_t cipherOverhead(Cipher cipher);

// A fresh cipher for one entry. The traditional cipher's header ends in a
// check byte: the high byte of the entry's CRC, or of its DOS time when the
// CRC is not known before the data (see flag::DataDescriptor).
std::unique_ptr<EntryCipher> makeEntryCipher(Cipher cipher, std::string_view password, uint8_t checkByte);

}  // namespace lsz
