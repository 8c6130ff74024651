#include "zip/unique_directory.h"

#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace kb {
namespace {

TEST(UniqueDirectory, NameFormat) {
    LocalTime t{2026, 12, 7, 20, 15, 21};
    EXPECT_EQ(uniqueDirectoryName(t, 4711), L"CL20261207-201521-4711");
    EXPECT_EQ(uniqueDirectoryName(t, -1), L"CL20261207-201521--1");
    EXPECT_EQ(uniqueDirectoryName({2027, 1, 2, 3, 4, 5}, 0), L"CL20270102-030405-0");
}

TEST(UniqueDirectory, NumberRoundsHalfToEvenAtBothEnds) {
    EXPECT_EQ(uniqueNumber(0.0), -1);
    EXPECT_EQ(uniqueNumber(0.00004), -1);
    EXPECT_EQ(uniqueNumber(0.00005), 0);     // -0.5 rounds to 0, its even neighbour
    EXPECT_EQ(uniqueNumber(0.00015), 0);     // 0.5 rounds to 0
    EXPECT_EQ(uniqueNumber(0.00025), 2);     // 1.5 rounds to 2
    EXPECT_EQ(uniqueNumber(0.99995), 9998);  // 9998.5 rounds to 9998
    EXPECT_EQ(uniqueNumber(0.99996), 9999);
    EXPECT_EQ(uniqueNumber(1.0 - 0x1.0p-53), 9999);
}

TEST(UniqueDirectory, DrawsInOneTickDiffer) {
    std::set<double> seen;
    for (int i = 0; i < 1000; ++i) {
        double r = freshUniformDraw();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

TEST(UniqueDirectory, CollisionDrawsAgainOtherFailuresDoNot) {
    std::vector<std::wstring> tried;
    std::vector<MakeResult> answers;
    UniqueDirectorySources sources;
    sources.clock = [] { return LocalTime{2026, 12, 7, 20, 15, 21}; };
    double next = 0.5;
    sources.draw = [&] { return next += 0.01; };
    sources.make = [&](const std::wstring& path) {
        tried.push_back(path);
        MakeResult r = answers[tried.size() - 1];
        return r;
    };

    answers = {MakeResult::AlreadyExists, MakeResult::AlreadyExists, MakeResult::Created};
    EXPECT_EQ(makeUniqueDirectory(L"R\\", sources), L"CL20261207-201521-5299");
    EXPECT_EQ(tried.size(), 3u);
    EXPECT_EQ(tried[0], L"R\\CL20261207-201521-5099");

    tried.clear();
    answers = {MakeResult::Failed, MakeResult::Created};
    EXPECT_EQ(makeUniqueDirectory(L"R\\", sources), L"");
    EXPECT_EQ(tried.size(), 1u);

    tried.clear();
    answers.assign(kUniqueDirectoryRetries + 2, MakeResult::AlreadyExists);
    EXPECT_EQ(makeUniqueDirectory(L"R\\", sources), L"");
    EXPECT_EQ(tried.size(), static_cast<size_t>(kUniqueDirectoryRetries + 1));
}

TEST(UniqueDirectory, MadeBelowARealRootOnlyWhenItExists) {
    test::ScratchDir root;
    std::wstring name = makeUniqueDirectory(root.path());
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.find(L'\\'), std::wstring::npos);
    EXPECT_TRUE(root.exists(name));
    EXPECT_EQ(tryMakeDirectory(root / name), MakeResult::AlreadyExists);
    EXPECT_EQ(makeUniqueDirectory(root / L"missing\\"), L"");
    EXPECT_FALSE(root.exists(L"missing"));
}

}  // namespace
}  // namespace kb
