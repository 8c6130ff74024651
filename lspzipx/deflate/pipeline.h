// Reading, compressing and handing over the files of an archive. The work is
// cut into tasks in archive order: a run of small files that fill one
// buffer, or one chunk of a large file. Workers take the tasks in turn and
// each reads its task (up to one open file per worker) and deflates it,
// small files whole and large ones in chunks; the consumer receives every
// chunk in archive order. A fixed pool of buffers bounds the memory
// whatever the sizes of the files.
//
// The cutting and every decision depend only on the data, never on the
// number of threads or their timing, so any thread count gives the same
// bytes.
#pragma once

#include "deflate/store_rule.h"
#include "io/file_state.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lsz {

constexpr size_t kChunkSize = 512 * 1024;

struct PipelineEntry {
    std::wstring path;
    std::string name;            // as stored in the archive
    bool precompressed = false;  // stored without trying, by its type
    FILETIME lastWrite{};
    DWORD attributes = 0;
    uint64_t listedSize = 0;     // as the listing gave it: what the work is planned on
    bool directory = false;      // a folder entry: no data, never encrypted

    // The size of what was read, known before the first chunk is handed over,
    // and which file that was.
    uint64_t size = 0;
    FileIdentity identity;

    // Set when the first chunk has been judged, or when the file is opened
    // for entries that are stored in any case.
    std::atomic<Verdict> verdict{Verdict::Undecided};
};

// One chunk of a file, owned by the consumer for the length of the call. The
// consumer may change the bytes in place (to encrypt them).
struct Chunk {
    PipelineEntry* entry = nullptr;
    uint32_t index = 0;
    bool last = false;
    uint8_t* raw = nullptr;
    size_t rawSize = 0;
    uint8_t* deflated = nullptr;  // meaningful unless the entry is stored
    size_t deflatedSize = 0;
    uint32_t crc = 0;             // of the raw bytes of this chunk
};

class ChunkConsumer {
public:
    virtual ~ChunkConsumer() = default;
    virtual void consume(Chunk& chunk) = 0;
};

struct PipelineSettings {
    int level = 6;            // 0 stores everything
    unsigned threads = 1;     // 1 runs everything on the calling thread
    unsigned readers = 0;     // workers that may read at once (0: all of them)
    // Each file's identity is learnt from the handle it was read by, for
    // deleting the very file later; it costs a query of its own.
    bool identities = false;
};

// Where the entries come from, in archive order. next() may wait for the
// next entry; it returns null after the last one, and throws when finding
// the entries failed.
class EntryFeed {
public:
    virtual ~EntryFeed() = default;
    virtual PipelineEntry* next() = 0;
};

// Runs the files through to the consumer in order; throws the first failure
// in archive order (LibError, or std::bad_alloc).
void runPipeline(EntryFeed& feed, const PipelineSettings& settings, ChunkConsumer& consumer);

// The number of chunk buffers a run with this many threads holds: enough
// to keep every worker busy while the consumer writes, and never so many
// that memory passes its bound.
size_t poolSize(unsigned threads);

}  // namespace lsz
