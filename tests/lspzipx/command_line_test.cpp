#include "cli/command_line.h"
#include "cli/sha256_list.h"

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
    EXPECT_EQ(parseCommandLine({L"--check-sha256"}).error, L"--check-sha256 takes one list");
    EXPECT_EQ(parseCommandLine({L"--check-sha256", L"a", L"b"}).error, L"--check-sha256 takes one list");
}

TEST(CommandLine, ZipsSelectionFlagsAndTheFlagsItRefuses) {
    Parsed p = parseCommandLine({L"-rjSmT@", L"-P", L"pw", L"a", L"src", L"-x", L"*.o", L"deep\\*", L"-i@inc.lst", L"-q"});
    ASSERT_EQ(p.error, L"");
    const Arguments& a = p.arguments;
    EXPECT_TRUE(a.recurse && a.junkPaths && a.includeHidden && a.deleteOriginals && a.test && a.namesFromInput && a.quiet);
    EXPECT_EQ(a.password.value_or(L""), L"pw");
    EXPECT_EQ(a.excludePatterns, (std::vector<std::wstring>{L"*.o", L"deep\\*"}));
    EXPECT_EQ(a.includeLists, std::vector<std::wstring>{L"inc.lst"});
    EXPECT_EQ(a.zipPath, L"a");
    EXPECT_EQ(parseCommandLine({L"-T", L"a.zip"}).arguments.action, Action::Test);
    EXPECT_EQ(parseCommandLine({L"-l", L"a.zip"}).arguments.action, Action::List);
    // Under -@ the zipfile alone is enough; the names come from the input.
    EXPECT_EQ(parseCommandLine({L"-@", L"a.zip"}).error, L"");

    EXPECT_EQ(parseCommandLine({L"-d", L"a.zip", L"two.txt"}).error,
              L"-d deletes entries from an archive in zip, and lspzip writes new archives only; "
              L"to delete the zipped files once the archive is complete, use -m");
    EXPECT_NE(parseCommandLine({L"-ru", L"a.zip", L"s"}).error.find(L"new archives only"), std::wstring::npos);
    EXPECT_NE(parseCommandLine({L"-", L"s"}).error.find(L"new archives only"), std::wstring::npos);
    EXPECT_NE(parseCommandLine({L"-l", L"a.zip", L"s"}).error.find(L"line ends"), std::wstring::npos);
    EXPECT_EQ(parseCommandLine({L"-x", L"*.o", L"a.zip", L"s"}).error,
              L"no zipfile and no source given (-x and -i take every argument up to the next option: give them last)");
    EXPECT_EQ(parseCommandLine({L"a.zip", L"s", L"-i"}).error, L"option -i needs a pattern");
    EXPECT_EQ(parseCommandLine({L"-e", L"-Px", L"a.zip", L"s"}).error, L"-e and -P cannot be used together");
}

TEST(CommandLine, CheckSha256TakesOneListAndQuiet) {
    Parsed p = parseCommandLine({L"-q", L"--check-sha256", L"C:\\pkg\\SHA256SUMS"});
    EXPECT_EQ(p.error, L"");
    EXPECT_EQ(p.arguments.action, Action::CheckSha256);
    EXPECT_EQ(p.arguments.sha256List, L"C:\\pkg\\SHA256SUMS");
    EXPECT_TRUE(p.arguments.quiet);
    EXPECT_EQ(parseCommandLine({L"--check-sha256", L"list", L"--help"}).arguments.action, Action::Help);
}

TEST(Sha256List, LinesAsSha256sumWritesThem) {
    const std::wstring hex = L"5891b5b522d5df086d0ff0b110fbd9d21bb4fc7163af34d08286a2e846f6be03";
    std::wstring upper = hex;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    const std::pair<std::wstring, std::wstring> sound[] = {
        {hex + L"  x64/kbaycl20.dll", L"x64/kbaycl20.dll"},
        {hex + L" *samples/caf\u00e9 report.txt", L"samples/caf\u00e9 report.txt"},  // binary mode, a blank in the name
        {upper + L"  a", L"a"},
    };
    for (const auto& [line, name] : sound) {
        std::optional<ListedSum> sum = parseSumLine(line);
        ASSERT_TRUE(sum) << testing::PrintToString(line);
        EXPECT_EQ(sum->sha256, hex);
        EXPECT_EQ(sum->name, name);
    }
    for (const std::wstring& broken : {hex + L"  ", hex + L" a", hex.substr(1) + L"   a", L"g" + hex.substr(1) + L"  a",
                                       hex + L"\t a", std::wstring(L"")}) {
        EXPECT_FALSE(parseSumLine(broken)) << testing::PrintToString(broken);
    }
}

}  // namespace
}  // namespace lsz::cli
