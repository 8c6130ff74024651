#include "compressor/run_compressor.h"

#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kb::compressor {
namespace {

TEST(CompressorBinding, OptionWord) {
    struct Case {
        bool recurse, password, remove;
        int16_t word;
    };
    const Case cases[] = {
        {false, false, false, 0x4001}, {false, false, true, 0x4101}, {false, true, false, 0x4011},
        {false, true, true, 0x4111},   {true, false, false, 0x6881},  {true, false, true, 0x6981},
        {true, true, false, 0x6891},   {true, true, true, 0x6991},
    };
    for (const Case& c : cases) EXPECT_EQ(optionWord(c.recurse, c.password, c.remove), c.word);
}

// The doubles are built beside the test program, under build/<arch>/doubles.
std::wstring doubleFolder(const wchar_t* variant) {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    path = path.substr(0, path.find_last_of(L'\\'));  // unit
    path = path.substr(0, path.find_last_of(L'\\'));  // build/<arch>
    return path + L"\\doubles\\" + variant + L"\\";
}

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = scratch_ / L"calls.log";
        ::SetEnvironmentVariableW(L"LSZIP_DOUBLE_LOG", log_.c_str());
        for (const wchar_t* name : {L"LSZIP_DOUBLE_PASSWORD", L"LSZIP_DOUBLE_INCLUDE", L"LSZIP_DOUBLE_EXECUTE"}) {
            ::SetEnvironmentVariableW(name, nullptr);
        }
        library_ = loadLibraryBeside(doubleFolder(L"full"));
        ASSERT_NE(library_, nullptr);
    }

    std::string calls() {
        std::ifstream in{std::filesystem::path(log_)};
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    test::ScratchDir scratch_;
    std::wstring log_;
    HMODULE library_ = nullptr;
};

TEST_F(BindingTest, CallOrderAndArguments) {
    Request request{L"\"C:\\some dir\\*.txt\"", L"C:\\out\\a.zip", 9, true, L"secret", true};
    EXPECT_EQ(runCompressor(library_, request), 0);
    EXPECT_EQ(calls(),
              "PASSWORD secret\n"
              "INCLUDE \"C:\\some dir\\*.txt\"\n"
              "EXECUTE C:\\out\\a.zip 2 9 27025\n");
}

TEST_F(BindingTest, NoPasswordNoPasswordCall) {
    Request request{L"C:\\in\\*.*", L"C:\\out\\a.zip", 0, false, L"", false};
    EXPECT_EQ(runCompressor(library_, request), 0);
    EXPECT_EQ(calls(), "INCLUDE C:\\in\\*.*\nEXECUTE C:\\out\\a.zip 2 0 16385\n");
}

TEST_F(BindingTest, RefusalsStopTheCalls) {
    Request request{L"C:\\in\\*.*", L"C:\\out\\a.zip", 5, false, L"pw", false};
    ::SetEnvironmentVariableW(L"LSZIP_DOUBLE_PASSWORD", L"0");
    EXPECT_EQ(runCompressor(library_, request), 3);
    EXPECT_EQ(calls(), "PASSWORD pw\n");

    ::DeleteFileW(log_.c_str());
    ::SetEnvironmentVariableW(L"LSZIP_DOUBLE_PASSWORD", nullptr);
    ::SetEnvironmentVariableW(L"LSZIP_DOUBLE_INCLUDE", L"0");
    EXPECT_EQ(runCompressor(library_, request), 1);
    EXPECT_EQ(calls(), "PASSWORD pw\nINCLUDE C:\\in\\*.*\n");
}

TEST_F(BindingTest, ExecuteResults) {
    Request request{L"C:\\in\\*.*", L"C:\\out\\a.zip", 5, false, L"", false};
    const std::pair<const wchar_t*, int16_t> cases[] = {
        {L"164", 164}, {L"-7", -7}, {L"32767", 32767}, {L"32768", 50}, {L"-32769", 50}, {L"100000", 50},
    };
    for (const auto& [answer, status] : cases) {
        ::SetEnvironmentVariableW(L"LSZIP_DOUBLE_EXECUTE", answer);
        EXPECT_EQ(runCompressor(library_, request), status) << answer;
    }
}

TEST_F(BindingTest, MissingLibraryOrFunction) {
    Request request{L"C:\\in\\*.*", L"C:\\out\\a.zip", 5, false, L"", false};
    EXPECT_EQ(runCompressor(nullptr, request), 50);

    HMODULE partial = loadLibraryBeside(doubleFolder(L"partial"));
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(runCompressor(partial, request), 50);
    EXPECT_EQ(calls(), "INCLUDE C:\\in\\*.*\n");
}

// Strings the ANSI code page cannot hold exactly are refused before any
// call, each with the status of the setting it belongs to: a best-fit "?"
// or "\" would be a wildcard or a path separator that nobody typed.
TEST_F(BindingTest, AnsiCallsRefuseWhatTheCodePageCannotHold) {
    const std::wstring sun = L"\u65e5";
    struct Case {
        Request request;
        int16_t status;
    } cases[] = {
        {{L"C:\\in\\*.*", L"C:\\out\\a.zip", 5, false, L"\u043f\u0430\u0440\u043e\u043b\u044c", false}, 3},
        {{L"C:\\in\\" + sun + L".txt", L"C:\\out\\a.zip", 5, false, L"pw", false}, 1},
        {{L"C:\\in\\*.*", L"C:\\out\\..\uff3c..\uff3cevil.asp", 5, false, L"", false}, 151},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runCompressor(library_, c.request), c.status);
        EXPECT_EQ(calls(), "");
    }
}

TEST_F(BindingTest, WideCallsAreUsedWhenTheLibraryHasThem) {
    HMODULE wide = loadLibraryBeside(doubleFolder(L"wide"));
    ASSERT_NE(wide, nullptr);
    Request request{L"C:\\in\\\u65e5.txt", L"C:\\out\\a.zip", 9, true, L"\u043f\u0430\u0440\u043e\u043b\u044c", true};
    EXPECT_EQ(runCompressor(wide, request), 0);
    EXPECT_EQ(calls(),
              "PASSWORDW \xd0\xbf\xd0\xb0\xd1\x80\xd0\xbe\xd0\xbb\xd1\x8c\n"
              "INCLUDEW C:\\in\\\xe6\x97\xa5.txt\n"
              "EXECUTEW C:\\out\\a.zip 2 9 27025\n");
}

// A library already loaded answers to its bare name, so these run in a
// process of their own where none is.
std::wstring modulePath(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    if (module) ::GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

TEST(BindingLoad, TheLibraryBesideTheComponentComesFirst) {
    EXPECT_EXIT(
        {
            std::wstring beside = doubleFolder(L"full");
            std::exit(_wcsicmp(modulePath(loadLibraryBeside(beside)).c_str(), (beside + kLibraryName).c_str()));
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(BindingLoad, LibraryInTheCurrentDirectoryIsNotLoaded) {
    EXPECT_EXIT(
        {
            test::ScratchDir empty;
            std::wstring planted = doubleFolder(L"full");
            ::SetCurrentDirectoryW(planted.c_str());
            std::exit(loadLibraryBeside(empty.path()) == nullptr ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kb::compressor
