#include "archive/entry_writer.h"

#include "base/library_codes.h"
#include "format/dos_time.h"
#include "source/stored_names.h"

#include <zlib.h>

namespace lsz {

namespace {

constexpr DWORD kDosAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;

}  // namespace

void EntryWriter::begin(const Chunk& chunk) {
    const PipelineEntry& entry = *chunk.entry;
    stored_ = entry.verdict.load() == Verdict::Store;
    // A folder holds nothing to protect, and the zip tools of other systems
    // neither encrypt nor expect encrypted folder entries.
    cipherKind_ = entry.directory ? Cipher::None : settings_.cipher;
    bool encrypted = cipherKind_ != Cipher::None;
    uint64_t overhead = cipherOverhead(cipherKind_);
    uint16_t compression = stored_ ? method::Stored : method::Deflated;

    // The traditional cipher's check byte comes before the data. A one-chunk
    // entry knows its CRC by then; a longer one takes the byte from its time
    // and says so by the data-descriptor flag, as zip does, rather than read
    // the whole file once more for its CRC first.
    bool descriptor = cipherKind_ == Cipher::ZipCrypto && !chunk.last;

    current_ = EntryRecord{};
    current_.name = entry.name;
    current_.flags = static_cast<uint16_t>((isAscii(entry.name) ? 0 : flag::Utf8Name) |
                                           (encrypted ? flag::Encrypted : 0) |
                                           (descriptor ? flag::DataDescriptor : 0) |
                                           (stored_ ? 0 : levelFlags(settings_.level)));
    if (cipherKind_ == Cipher::Aes256) {
        current_.method = method::Aes;
        current_.aesMethod = compression;
    } else {
        current_.method = compression;
    }
    DosStamp stamp = dosStampOf(entry.lastWrite);
    current_.dosTime = stamp.time;
    current_.dosDate = stamp.date;
    current_.unixTime = unixTime(fileTimeCount(entry.lastWrite));
    current_.dosAttributes = entry.attributes & kDosAttributes;
    current_.zip64Sizes = needsZip64Sizes(entry.size + overhead);
    current_.localOffset = out_.position();

    // A one-chunk entry is complete now, so its header is final. A longer
    // one gets its CRC and sizes patched in at its end.
    uint32_t crc = chunk.last ? chunk.crc : 0;
    if (chunk.last) {
        current_.size = chunk.rawSize;
        current_.compressedSize = (stored_ ? chunk.rawSize : chunk.deflatedSize) + overhead;
    }
    // AE-2 leaves the CRC out: its authentication code does that job.
    current_.crc = cipherKind_ == Cipher::Aes256 ? 0 : crc;

    out_.write(localHeader(current_));
    uint8_t check = descriptor ? static_cast<uint8_t>(current_.dosTime >> 8) : static_cast<uint8_t>(crc >> 24);
    cipher_ = makeEntryCipher(cipherKind_, settings_.password, check);
    if (cipher_) out_.write(cipher_->header());
    crc_ = 0;
    size_ = 0;
    dataSize_ = 0;
}

void EntryWriter::consume(Chunk& chunk) {
    if (chunk.index == 0) begin(chunk);
    uint8_t* data = stored_ ? chunk.raw : chunk.deflated;
    size_t size = stored_ ? chunk.rawSize : chunk.deflatedSize;
    if (cipher_) cipher_->encrypt(data, size);
    out_.write(data, size);
    crc_ = chunk.index == 0 ? chunk.crc
                            : static_cast<uint32_t>(crc32_combine(crc_, chunk.crc, static_cast<z_off_t>(chunk.rawSize)));
    size_ += chunk.rawSize;
    dataSize_ += size;
    if (chunk.last) end(chunk);
}

void EntryWriter::end(const Chunk& chunk) {
    const PipelineEntry& entry = *chunk.entry;
    if (cipher_) out_.write(cipher_->trailer());

    bool patch = chunk.index > 0;
    current_.crc = cipherKind_ == Cipher::Aes256 ? 0 : crc_;
    current_.size = size_;
    current_.compressedSize = dataSize_ + cipherOverhead(cipherKind_);
    if (!current_.zip64Sizes && (current_.size >= kMax32 || current_.compressedSize >= kMax32)) {
        fail(code::InternalError);
    }
    if (current_.flags & flag::DataDescriptor) out_.write(dataDescriptor(current_));
    if (patch) out_.patch(current_.localOffset, localHeader(current_));
    if (settings_.onEntry) settings_.onEntry({current_.name, size_, dataSize_, stored_, entry.directory});
    records_.push_back(std::move(current_));
    cipher_.reset();
}

void EntryWriter::finish() {
    out_.setFailureCode(code::CentralDirectoryError);
    uint64_t directoryOffset = out_.position();
    for (const auto& record : records_) out_.write(centralHeader(record));
    uint64_t directorySize = out_.position() - directoryOffset;
    out_.setFailureCode(code::EndRecordError);
    out_.write(endRecords(records_.size(), directoryOffset, directorySize));
}

}  // namespace lsz
