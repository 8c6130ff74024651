// Writes the chunks the pipeline hands over as zip entries: the local
// header, the data (encrypted when asked), the header patched with the
// final CRC and sizes; then the central directory and the end records.
#pragma once

#include "crypto/entry_cipher.h"
#include "deflate/pipeline.h"
#include "format/records.h"
#include "io/archive_file.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lsz {

// One entry as written, for whoever shows progress.
struct EntryReport {
    std::string name;        // as stored: UTF-8, "/" separated, a folder ending in "/"
    uint64_t size = 0;       // bytes read from the file
    uint64_t dataSize = 0;   // bytes of (compressed) data, without the cipher's overhead
    bool stored = false;     // not deflated
    bool directory = false;
};

struct EntryWriterSettings {
    int level = 6;
    Cipher cipher = Cipher::None;
    std::string_view password;  // the request's, which outlives the writer
    // Called once per entry, on the thread that writes, after its data.
    std::function<void(const EntryReport&)> onEntry;
};

class EntryWriter : public ChunkConsumer {
public:
    EntryWriter(ArchiveFile& out, const EntryWriterSettings& settings) : out_(out), settings_(settings) {}

    void consume(Chunk& chunk) override;
    // Writes the central directory and the end records.
    void finish();

private:
    void begin(const Chunk& chunk);
    void end(const Chunk& chunk);

    ArchiveFile& out_;
    const EntryWriterSettings& settings_;
    std::vector<EntryRecord> records_;

    // The entry being written.
    EntryRecord current_;
    bool stored_ = false;
    Cipher cipherKind_ = Cipher::None;  // a folder entry is never encrypted
    std::unique_ptr<EntryCipher> cipher_;
    uint32_t crc_ = 0;
    uint64_t size_ = 0;
    uint64_t dataSize_ = 0;
};

}  // namespace lsz
