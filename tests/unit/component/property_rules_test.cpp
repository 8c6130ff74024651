#include "component/property_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace kb {
namespace {

TEST(PropertyRules, ZipFileNameGainsZipOnlyWithoutADot) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"report", L"report.zip"},   {L"report.ZIP", L"report.ZIP"}, {L"archive.tar", L"archive.tar"},
        {L"name.", L"name."},         {L"", L""},                     {L".hidden", L".hidden"},
        {L"a b", L"a b.zip"},         {L"out.d\\report", L"out.d\\report.zip"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(normaliseZipFileName(in), out) << in;
}

TEST(PropertyRules, NumericBounds) {
    EXPECT_TRUE(acceptsCompressionRate(0));
    EXPECT_TRUE(acceptsCompressionRate(9));
    EXPECT_FALSE(acceptsCompressionRate(10));
    EXPECT_FALSE(acceptsCompressionRate(-1));
    EXPECT_FALSE(acceptsCompressionRate(-32768));
    EXPECT_TRUE(acceptsDaysOld(0));
    EXPECT_TRUE(acceptsDaysOld(32767));
    EXPECT_FALSE(acceptsDaysOld(-1));
}

TEST(PropertyRules, PasswordLengthBlanksAndControlCharacters) {
    EXPECT_TRUE(acceptsPassword(L""));
    EXPECT_TRUE(acceptsPassword(std::wstring(65, L'x')));
    EXPECT_FALSE(acceptsPassword(std::wstring(66, L'x')));
    EXPECT_FALSE(acceptsPassword(L"two words"));
    EXPECT_FALSE(acceptsPassword(L" "));
    for (const std::wstring& cut : {std::wstring(L"x") + L'\0' + L"Correct-Horse", std::wstring(L"tab\there"),
                                    std::wstring(L"line\nfeed"), std::wstring(L"del\x7f"), std::wstring(L"c1\x85")}) {
        EXPECT_FALSE(acceptsPassword(cut)) << testing::PrintToString(cut);
    }
    EXPECT_TRUE(acceptsPassword(L"Correct-Horse_\u00e9\u65e5"));
}

}  // namespace
}  // namespace kb
