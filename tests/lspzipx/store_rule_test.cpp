#include "deflate/store_rule.h"

#include <gtest/gtest.h>

namespace lsz {
namespace {

TEST(StoreRule, KnowsCompressedTypesByName) {
    struct Case {
        const wchar_t* name;
        bool precompressed;
    } cases[] = {
        {L"a.zip", true},       {L"b.GZ", true},     {L"dir/photo.JPG", true}, {L"x.tar.gz", true},
        {L"picture.png", true}, {L"a.txt", false},   {L"gz", false},           {L"dir.gz/readme", false},
        {L"archive.", false},   {L"notes.zipx", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isPrecompressedName(c.name), c.precompressed) << testing::PrintToString(std::wstring(c.name));
    }
}

TEST(StoreRule, JudgesByTheFirstChunk) {
    struct Case {
        size_t raw, deflated;
        bool only;
        Verdict verdict;
    } cases[] = {
        {0, 2, true, Verdict::Store},         // an empty file's stream is longer than nothing
        {100, 99, true, Verdict::Deflate},    // any gain on a whole file counts
        {100, 100, true, Verdict::Store},
        {1000, 990, false, Verdict::Deflate}, // one percent is worth deflating the rest
        {1000, 991, false, Verdict::Store},
        {1000, 1005, false, Verdict::Store},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(judgeFirstChunk(c.raw, c.deflated, c.only), c.verdict) << c.raw << " " << c.deflated << " " << c.only;
    }
}

}  // namespace
}  // namespace lsz
