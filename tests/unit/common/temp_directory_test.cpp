#include "common/temp_directory.h"

#include <gtest/gtest.h>

namespace kb {
namespace {

TEST(TempDirectory, Choice) {
    EXPECT_EQ(chooseTempDirectory(L"c:\\temp\\", L"C:\\users\\x\\Temp\\", L"C:\\site"), L"c:\\temp\\");
    EXPECT_EQ(chooseTempDirectory(L"", L"C:\\users\\x\\Temp\\", L"C:\\site"), L"C:\\users\\x\\Temp\\");
    EXPECT_EQ(chooseTempDirectory(L"", L"C:\\users\\x\\Temp", L"C:\\site"), L"C:\\users\\x\\Temp\\");
    EXPECT_EQ(chooseTempDirectory(L"", std::nullopt, L"C:\\site"), L"C:\\site\\");
    EXPECT_EQ(chooseTempDirectory(L"", std::nullopt, L"C:\\"), L"C:\\");
}

TEST(TempDirectory, EveryAnswerEndsInABackslash) {
    std::wstring path = getTempFilePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), L'\\');
}

}  // namespace
}  // namespace kb
