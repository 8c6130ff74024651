// Writes the chunks the pipeline hands over as zip entries: the local
// header, the data (encrypted when asked), the header patched with the
// final CRC and sizes; then the central directory and the end records.
#pragma once

#include "crypto/entry_cipher.h"
#include "deflate/pipeline.h"
#include "format/records.h"
#include "io/archive_file.h"

#include <memory>
#include <string>
#include <vector>

namespace lsz {

struct EntryWriterSettings {
    int level = 6;
    Cipher cipher = Cipher::None;
    std::string_view password;  // the request's, which outlives the writer
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
    std::unique_ptr<EntryCipher> cipher_;
    uint32_t crc_ = 0;
    uint64_t size_ = 0;
    uint64_t dataSize_ = 0;
};

}  // namespace lsz
