// The pipeline against its oracle: whatever the thread count, the same
// chunks, verdicts and bytes; and what it hands over inflates back to the
// files.
#include "base/library_codes.h"
#include "deflate/pipeline.h"
#include "scratch_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <string>
#include <vector>

namespace lsz {
namespace {

using kb::test::ScratchDir;
using Bytes = std::vector<uint8_t>;

struct Received {
    std::string name;
    Verdict verdict;
    Bytes stream;  // the entry's data as the writer would store it
    uint32_t crc;
    uint64_t size;
    bool operator==(const Received&) const = default;
};

class Recorder : public ChunkConsumer {
public:
    void consume(Chunk& c) override {
        if (c.index == 0) {
            entries.push_back({c.entry->name, c.entry->verdict.load(), {}, c.crc, 0});
        }
        Received& e = entries.back();
        EXPECT_EQ(e.name, c.entry->name) << "chunks of one entry arrive together";
        if (c.index > 0) e.crc = static_cast<uint32_t>(crc32_combine(e.crc, c.crc, static_cast<z_off_t>(c.rawSize)));
        const uint8_t* data = e.verdict == Verdict::Store ? c.raw : c.deflated;
        size_t size = e.verdict == Verdict::Store ? c.rawSize : c.deflatedSize;
        e.stream.insert(e.stream.end(), data, data + size);
        e.size += c.rawSize;
    }
    std::vector<Received> entries;
};

class ListFeed : public EntryFeed {
public:
    explicit ListFeed(std::vector<PipelineEntry>& entries) : entries_(entries) {}
    PipelineEntry* next() override { return at_ < entries_.size() ? &entries_[at_++] : nullptr; }

private:
    std::vector<PipelineEntry>& entries_;
    size_t at_ = 0;
};

Bytes inflated(const Bytes& stream) {
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    Bytes out(1 << 16);
    size_t have = 0;
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (have == out.size()) out.resize(out.size() * 2);
        z.next_out = out.data() + have;
        z.avail_out = static_cast<uInt>(out.size() - have);
        rc = inflate(&z, Z_NO_FLUSH);
        have = out.size() - z.avail_out;
    }
    EXPECT_EQ(rc, Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u) << "one stream, nothing after its end";
    inflateEnd(&z);
    out.resize(have);
    return out;
}

class PipelineTest : public testing::Test {
protected:
    void SetUp() override {
        auto mixed = test::compressibleBytes(kChunkSize + 5000, 7);
        auto noiseTail = test::noiseBytes(2 * kChunkSize, 8);
        mixed.insert(mixed.end(), noiseTail.begin(), noiseTail.end());
        files_ = {
            {"empty", {}},
            {"one", Bytes{'x'}},
            {"exactly-one-chunk", test::compressibleBytes(kChunkSize, 1)},
            {"one-chunk-and-a-byte", test::compressibleBytes(kChunkSize + 1, 2)},
            {"many-chunks", test::compressibleBytes(3 * kChunkSize + 12345, 3)},
            {"noise-many-chunks", test::noiseBytes(2 * kChunkSize + 77, 4)},
            {"small-noise", test::noiseBytes(1000, 5)},
            {"text-then-noise", mixed},
            {"photo.jpg", test::compressibleBytes(20000, 6)},
        };
        for (int i = 0; i < 40; ++i) {
            files_.push_back({"small-" + std::to_string(i), test::compressibleBytes(3000 + 997 * i, 100 + i)});
        }
    }

    std::vector<Received> run(int level, unsigned threads) {
        std::vector<PipelineEntry> entries(files_.size());
        for (size_t i = 0; i < files_.size(); ++i) {
            std::wstring wide(files_[i].first.begin(), files_[i].first.end());
            entries[i].path = dir_.write(wide, files_[i].second);
            entries[i].name = files_[i].first;
            entries[i].listedSize = files_[i].second.size();
            entries[i].precompressed = files_[i].first.ends_with(".jpg");
        }
        Recorder recorder;
        PipelineSettings settings;
        settings.level = level;
        settings.threads = threads;
        ListFeed feed(entries);
        runPipeline(feed, settings, recorder);
        return recorder.entries;
    }

    ScratchDir dir_;
    std::vector<std::pair<std::string, Bytes>> files_;
};

TEST_F(PipelineTest, AnyThreadCountGivesTheSameBytes) {
    for (int level : {0, 1, 6, 9}) {
        auto single = run(level, 1);
        for (unsigned threads : {2u, 3u, 8u}) {
            EXPECT_TRUE(run(level, threads) == single) << "level " << level << ", " << threads << " threads";
        }
    }
}

TEST_F(PipelineTest, HandsOverWhatInflatesBackToTheFiles) {
    for (int level : {0, 1, 9}) {
        auto received = run(level, 3);
        ASSERT_EQ(received.size(), files_.size());
        for (size_t i = 0; i < files_.size(); ++i) {
            const auto& [name, content] = files_[i];
            const Received& r = received[i];
            EXPECT_EQ(r.name, name);
            EXPECT_EQ(r.size, content.size()) << name;
            EXPECT_EQ(r.crc, static_cast<uint32_t>(crc32(0, content.data(), static_cast<uInt>(content.size())))) << name;
            Bytes restored = r.verdict == Verdict::Store ? r.stream : inflated(r.stream);
            EXPECT_TRUE(restored == content) << name << " at level " << level;
        }
    }
}

TEST_F(PipelineTest, StoresWhatDeflateCannotShrink) {
    std::map<std::string, Verdict> expected = {
        {"empty", Verdict::Store},           {"one", Verdict::Store},
        {"exactly-one-chunk", Verdict::Deflate}, {"many-chunks", Verdict::Deflate},
        {"noise-many-chunks", Verdict::Store}, {"small-noise", Verdict::Store},
        {"text-then-noise", Verdict::Deflate},  // judged by its first chunk
        {"photo.jpg", Verdict::Store},       // by its type, though it would shrink
    };
    for (const auto& r : run(6, 2)) {
        if (expected.count(r.name)) {
            EXPECT_EQ(r.verdict, expected[r.name]) << r.name;
        }
    }
    for (const auto& r : run(0, 2)) EXPECT_EQ(r.verdict, Verdict::Store) << r.name;
}

TEST_F(PipelineTest, StopsAtAnUnreadableFileAfterTheEntriesBeforeIt) {
    for (unsigned threads : {1u, 4u}) {
        std::vector<PipelineEntry> entries(3);
        entries[0].path = dir_.write(L"before", test::compressibleBytes(3 * kChunkSize, 1));
        entries[0].name = "before";
        entries[0].listedSize = 3 * kChunkSize;
        entries[1].path = dir_.path() + L"missing";
        entries[1].name = "missing";
        entries[2].path = dir_.write(L"after", Bytes{'a'});
        entries[2].name = "after";
        entries[2].listedSize = 1;
        Recorder recorder;
        PipelineSettings settings;
        settings.threads = threads;
        try {
            ListFeed feed(entries);
            runPipeline(feed, settings, recorder);
            ADD_FAILURE() << "a missing file went unnoticed";
        } catch (const LibError& e) {
            EXPECT_EQ(e.code(), code::ReadError);
        }
        ASSERT_EQ(recorder.entries.size(), 1u) << threads;
        EXPECT_EQ(recorder.entries[0].size, 3 * kChunkSize);
    }
}

// The work is planned on the listed sizes; a file that changed since it was
// listed so that the plan no longer holds fails the archive, and is never
// cut off or padded silently.
TEST_F(PipelineTest, AFileThatChangedSinceItWasListedFailsTheRun) {
    const std::pair<uint64_t, size_t> cases[] = {
        {3 * kChunkSize, 3 * kChunkSize - 10},  // a large file, truncated
        {3 * kChunkSize, 3 * kChunkSize + 10},  // a large file, grown
        {100, kChunkSize + 1},                  // a small file grown past a chunk
    };
    for (unsigned threads : {1u, 3u}) {
        for (const auto& [listed, actual] : cases) {
            std::vector<PipelineEntry> entries(1);
            entries[0].path = dir_.write(L"changing", test::compressibleBytes(actual, 9));
            entries[0].name = "changing";
            entries[0].listedSize = listed;
            Recorder recorder;
            PipelineSettings settings;
            settings.threads = threads;
            ListFeed feed(entries);
            try {
                runPipeline(feed, settings, recorder);
                ADD_FAILURE() << listed << " listed, " << actual << " read";
            } catch (const LibError& e) {
                EXPECT_EQ(e.code(), code::ReadError);
            }
        }
    }
}

}  // namespace
}  // namespace lsz
