#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lsz::cli {
namespace {

TEST(CommandLine, FlagsCombineAndTakeTheirValuesAsGetoptDoes) {
    struct Case {
        std::vector<std::wstring> args;
        int rate;
        bool recurse, quiet;
        std::wstring password;
        unsigned threads;
        std::wstring zip;
        std::vector<std::wstring> sources;
    } cases[] = {
        {{L"-r9", L"a.zip", L"src"}, 9, true, false, L"", 0, L"a.zip", {L"src"}},
        {{L"-qr", L"-0", L"a.zip", L"s1", L"s2"}, 0, true, true, L"", 0, L"a.zip", {L"s1", L"s2"}},
        {{L"-rt4", L"-psecret", L"a.zip", L"src"}, 6, true, false, L"secret", 4, L"a.zip", {L"src"}},
        {{L"-rp", L"two words", L"-t", L"2", L"a.zip", L"src"}, 6, true, false, L"two words", 2, L"a.zip", {L"src"}},
        // Options may follow the operands; after "--" nothing is an option.
        {{L"a.zip", L"src", L"-q9"}, 9, false, true, L"", 0, L"a.zip", {L"src"}},
        {{L"-q", L"--", L"-odd.zip", L"-r", L"-"}, 6, false, true, L"", 0, L"-odd.zip", {L"-r", L"-"}},
    };
    for (const auto& c : cases) {
        Parsed p = parseCommandLine(c.args);
        std::wstring label = c.args.front() + L" " + c.args.back();
        ASSERT_EQ(p.error, L"") << testing::PrintToString(label);
        const Arguments& a = p.arguments;
        EXPECT_EQ(a.rate, c.rate) << testing::PrintToString(label);
        EXPECT_EQ(a.recurse, c.recurse) << testing::PrintToString(label);
        EXPECT_EQ(a.quiet, c.quiet) << testing::PrintToString(label);
        EXPECT_EQ(a.password.value_or(L""), c.password) << testing::PrintToString(label);
        EXPECT_EQ(a.threads.value_or(0), c.threads) << testing::PrintToString(label);
        EXPECT_EQ(a.zipPath, c.zip) << testing::PrintToString(label);
        EXPECT_EQ(a.sources, c.sources) << testing::PrintToString(label);
    }
}

TEST(CommandLine, HelpWinsOverEverythingElse) {
    Parsed p = parseCommandLine({L"-x", L"--version", L"-h"});
    EXPECT_EQ(p.arguments.action, Action::Help);
    EXPECT_EQ(p.error, L"");
    EXPECT_EQ(parseCommandLine({L"--version"}).arguments.action, Action::Version);
    EXPECT_EQ(parseCommandLine({L"--settings", L"--version"}).arguments.action, Action::Settings);
    EXPECT_EQ(parseCommandLine({L"--settings", L"-h"}).arguments.action, Action::Help);
}

TEST(CommandLine, ErrorsNameTheFirstProblem) {
    EXPECT_EQ(parseCommandLine({L"-e", L"-p", L"x", L"a.zip", L"s"}).error, L"-e and -p cannot be used together");
    EXPECT_EQ(parseCommandLine({L"-rz", L"-y", L"a.zip", L"s"}).error, L"unknown option -z");
    EXPECT_EQ(parseCommandLine({L"-t0", L"a.zip", L"s"}).error, L"-t takes a number from 1 to 64, not \"0\"");
    EXPECT_EQ(parseCommandLine({L"-p"}).error, L"option -p needs a value");
    EXPECT_EQ(parseCommandLine({}).error, L"no zipfile and no source given");
}

}  // namespace
}  // namespace lsz::cli
