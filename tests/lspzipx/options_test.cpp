#include "api/options.h"

#include <gtest/gtest.h>

#include <string>

namespace lsz {
namespace {

TEST(Options, DecodesEveryWordTheComponentSends) {
    struct Case {
        int32_t word;
        bool encrypt, recurse, keepPaths, deleteOriginals;
    } cases[] = {
        {0x0001, false, false, false, false}, {0x0101, false, false, false, true},
        {0x0011, true, false, false, false},  {0x0111, true, false, false, true},
        {0x2881, false, true, true, false},   {0x2981, false, true, true, true},
        {0x2891, true, true, true, false},    {0x2991, true, true, true, true},
        {0x0081, false, true, false, false},  // recursion that drops the paths
        {0x6991, true, true, true, true},     // with the exact folder the component asks for
    };
    for (const auto& c : cases) {
        ExecuteOptions o = decodeOptions(c.word);
        EXPECT_EQ(o.encrypt, c.encrypt) << std::hex << c.word;
        EXPECT_EQ(o.recurse, c.recurse) << std::hex << c.word;
        EXPECT_EQ(o.keepPaths, c.keepPaths) << std::hex << c.word;
        EXPECT_EQ(o.deleteOriginals, c.deleteOriginals) << std::hex << c.word;
        EXPECT_EQ(o.exactFolder, (c.word & 0x4000) != 0) << std::hex << c.word;
    }
}

TEST(Options, AcceptsPasswordsOfOneTo255Bytes) {
    std::string max(255, 'x');
    std::string over(256, 'x');
    EXPECT_FALSE(passwordAcceptable(""));
    EXPECT_TRUE(passwordAcceptable("p"));
    EXPECT_TRUE(passwordAcceptable(max));
    EXPECT_FALSE(passwordAcceptable(over));
}

TEST(Options, OneThreadPerProcessorUpToTheCap) {
    struct Case {
        const wchar_t* environment;
        unsigned processors;
        unsigned expected;
    } cases[] = {
        {nullptr, 2, 2}, {nullptr, 0, 1}, {nullptr, 32, 32}, {nullptr, 100, 64}, {L"1", 4, 1},
        {L"8", 32, 8}, {L"8", 2, 2}, {L"65", 2, 2}, {L"3x", 2, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(workerThreads(c.environment, c.processors), c.expected)
            << (c.environment ? testing::PrintToString(std::wstring(c.environment)) : "null") << " " << c.processors;
    }
}

}  // namespace
}  // namespace lsz
