// The three calls as the component makes them: their contract, their
// failure codes, and that a failure leaves nothing behind.
#include "api/calls.h"
#include "base/library_codes.h"
#include "common/handles.h"
#include "common/text.h"
#include "lspzipx/lspzipx.h"
#include "scratch_dir.h"
#include "test_data.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace lsz {
namespace {

// The ANSI code page form of a test path, which is plain ASCII.
std::string ansi(const std::wstring& s) { return kb::toAnsiExact(s).value(); }

using kb::test::ScratchDir;

constexpr int32_t kPlain = LSZIP_OPTION_ALWAYS;
constexpr int32_t kEncrypted = kPlain | LSZIP_OPTION_ENCRYPT;
constexpr int32_t kRecursiveFlat = kPlain | LSZIP_OPTION_RECURSE;
constexpr int32_t kRecursive = kRecursiveFlat | LSZIP_OPTION_KEEP_PATHS | LSZIP_OPTION_RESERVED;

int32_t zip(const std::wstring& sourceList, const std::wstring& target, int32_t options = kPlain, int32_t rate = 5) {
    if (!api::include(ansi(sourceList).c_str())) return -1;
    return api::execute(ansi(target).c_str(), 2, rate, options);
}

class ApiTest : public testing::Test {
protected:
    void SetUp() override {
        dir_.write(L"in\\a.txt", "alpha");
        dir_.write(L"in\\b.txt", "beta");
        dir_.write(L"in\\sub\\a.txt", "nested alpha");
        ::CreateDirectoryW((dir_.path() + L"out").c_str(), nullptr);
    }
    void TearDown() override { api::execute(nullptr, 0, 0, 0); }  // drop what a test left set

    std::wstring in(const std::wstring& name = L"") const { return dir_.path() + L"in\\" + name; }
    std::wstring out(const std::wstring& name = L"") const { return dir_.path() + L"out\\" + name; }

    ScratchDir dir_;
};

TEST_F(ApiTest, WritesTheArchiveAndNothingElse) {
    EXPECT_EQ(zip(in(L"*.txt"), out(L"a.zip")), 0);
    EXPECT_EQ(dir_.names(L"out\\"), std::vector<std::wstring>{L"a.zip"});
}

TEST_F(ApiTest, RefusesCallsOutsideTheContract) {
    struct Case {
        const char* what;
        bool include;
        const char* zipPath;
        int32_t mode, rate, options, expected;
    } cases[] = {
        {"no source list", false, "x.zip", 2, 5, kPlain, code::InvalidSource},
        {"mode other than 2", true, "x.zip", 1, 5, kPlain, code::InternalError},
        {"rate below 0", true, "x.zip", 2, -1, kPlain, code::InternalError},
        {"rate above 9", true, "x.zip", 2, 10, kPlain, code::InternalError},
        {"encryption without a password", true, "x.zip", 2, 5, kEncrypted, code::InternalError},
        {"no zip path", true, nullptr, 2, 5, kPlain, code::InvalidZipName},
        {"empty zip path", true, "", 2, 5, kPlain, code::InvalidZipName},
    };
    for (const auto& c : cases) {
        if (c.include) {
            ASSERT_TRUE(api::include(ansi(in(L"*.txt")).c_str()));
        }
        std::string zipPath = c.zipPath ? ansi(out()) + c.zipPath : std::string();
        EXPECT_EQ(api::execute(c.zipPath ? zipPath.c_str() : nullptr, c.mode, c.rate, c.options), c.expected)
            << c.what;
        EXPECT_TRUE(dir_.names(L"out\\").empty()) << c.what;
    }
}

TEST_F(ApiTest, LastFailureSaysWhatAndWhere) {
    wchar_t path[MAX_PATH] = L"";
    uint32_t system = 0;
    EXPECT_EQ(zip(in(L"a.txt|") + in(L"missing.txt"), out(L"a.zip")), code::FileNotMatched);
    EXPECT_EQ(api::lastFailure(path, MAX_PATH, &system), code::FileNotMatched);
    EXPECT_EQ(std::wstring(path), in(L"missing.txt"));
    EXPECT_EQ(system, static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    wchar_t cut[4];
    EXPECT_EQ(api::lastFailure(cut, 4, nullptr), code::FileNotMatched);
    EXPECT_EQ(std::wstring(cut), in().substr(0, 3));
    // Another thread has a record of its own.
    std::thread([] { EXPECT_EQ(api::lastFailure(nullptr, 0, nullptr), 0); }).join();
    EXPECT_EQ(zip(in(L"a.txt"), out(L"a.zip")), 0);
    EXPECT_EQ(api::lastFailure(path, MAX_PATH, &system), 0);
}

TEST_F(ApiTest, FailuresLeaveNothingAtTheTarget) {
    dir_.write(L"other\\a.txt", "another alpha");
    struct Case {
        const char* what;
        std::wstring sourceList;
        std::wstring target;
        int32_t options, expected;
    } cases[] = {
        {"missing named file", in(L"a.txt|") + in(L"nope.txt"), out(L"t.zip"), kPlain, code::FileNotMatched},
        {"named file in a missing folder", in(L"nowhere\\x.txt"), out(L"t.zip"), kPlain, code::FileNotMatched},
        {"nothing matched", in(L"*.doc"), out(L"t.zip"), kPlain, code::NothingToDo},
        {"wildcard in a missing folder", in(L"nowhere\\*.txt"), out(L"t.zip"), kPlain, code::NothingToDo},
        {"same name twice", in(L"*.txt|") + dir_.path() + L"other\\*.txt", out(L"t.zip"), kPlain,
         code::DuplicateName},
        {"same file twice", in(L"a.txt|") + in(L"*.txt"), out(L"t.zip"), kPlain, code::DuplicateName},
        {"recursion without paths", in(L"a.txt"), out(L"t.zip"), kRecursiveFlat, code::Ok},
        {"recursion dropping paths", in(L"*.txt"), out(L"t.zip"), kRecursiveFlat, code::DuplicateName},
        {"wildcard in a directory", in(L"s*\\a.txt"), out(L"t.zip"), kPlain, code::InvalidSource},
        {"target folder missing", in(L"*.txt"), out(L"none\\t.zip"), kPlain, code::CannotCreate},
        {"target is a folder", in(L"*.txt"), dir_.path() + L"in", kPlain, code::InvalidZipName},
        {"target with a wildcard", in(L"*.txt"), out(L"t*.zip"), kPlain, code::InvalidZipName},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zip(c.sourceList, c.target, c.options), c.expected) << c.what;
        auto left = dir_.names(L"out\\");
        if (c.expected == code::Ok) {
            EXPECT_EQ(left, std::vector<std::wstring>{L"t.zip"}) << c.what;
            ::DeleteFileW(out(L"t.zip").c_str());
        } else {
            EXPECT_TRUE(left.empty()) << c.what << ": " << testing::PrintToString(left);
        }
    }
}

TEST_F(ApiTest, LockedSourceFailsTheWholeArchive) {
    HANDLE lock = ::CreateFileW(in(L"b.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(zip(in(L"*.txt"), out(L"t.zip")), code::ReadError);
    ::CloseHandle(lock);
    EXPECT_TRUE(dir_.names(L"out\\").empty());
}

TEST_F(ApiTest, FailedRenameKeepsTheOldArchive) {
    std::wstring target = out(L"old.zip");
    dir_.write(L"out\\old.zip", "previous archive");
    // Held open by a reader that shares nothing: the archive cannot replace it.
    HANDLE holder = ::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(zip(in(L"*.txt"), target), code::RenameFailed);
    char buffer[64] = {};
    DWORD got = 0;
    ::ReadFile(holder, buffer, sizeof buffer, &got, nullptr);
    ::CloseHandle(holder);
    EXPECT_EQ(std::string(buffer, got), "previous archive");
    EXPECT_EQ(dir_.names(L"out\\"), std::vector<std::wstring>{L"old.zip"});
}

std::string contentOf(const std::wstring& path) {
    kb::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char buffer[256];
    DWORD got = 0;
    if (!f || !::ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr)) return "<unreadable>";
    return std::string(buffer, got);
}

size_t entriesIn(const std::wstring& folder) {
    size_t n = 0;
    WIN32_FIND_DATAW data;
    kb::UniqueFind find(::FindFirstFileW((folder + L"*").c_str(), &data));
    if (find) {
        do ++n;
        while (::FindNextFileW(find.get(), &data));
    }
    return n;
}

// A target folder that is a link to a folder holding t.zip: the lspzipx
// suite makes one on the Unix side and names it in LSPZIPX_LINKED_FOLDER.
TEST_F(ApiTest, ExactFolderRefusesATargetFolderThatIsALink) {
    wchar_t link[MAX_PATH];
    DWORD n = ::GetEnvironmentVariableW(L"LSPZIPX_LINKED_FOLDER", link, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) GTEST_SKIP() << "needs a linked folder from the lspzipx suite";
    std::wstring folder = std::wstring(link) + L"\\";
    std::string before = contentOf(folder + L"t.zip");
    size_t entries = entriesIn(folder);
    EXPECT_EQ(zip(in(L"*.txt"), folder + L"t.zip", kPlain | LSZIP_OPTION_EXACT_FOLDER), code::CannotCreate);
    EXPECT_EQ(contentOf(folder + L"t.zip"), before);
    EXPECT_EQ(entriesIn(folder), entries) << "no temporary file left";
    // Without the bit the link is followed, as lspzip's users may expect.
    EXPECT_EQ(zip(in(L"*.txt"), folder + L"t.zip", kPlain), 0);
    EXPECT_EQ(contentOf(folder + L"t.zip").substr(0, 4), std::string("PK\x03\x04", 4));
    EXPECT_EQ(entriesIn(folder), entries);
}

TEST_F(ApiTest, NeverTakesTheArchiveAsItsOwnInput) {
    EXPECT_EQ(zip(in(L"*.*"), in(L"self.zip")), 0);
    EXPECT_EQ(zip(in(L"*.*"), in(L"self.zip")), 0);  // now self.zip exists and matches
    EXPECT_EQ(zip(in(L"self.zip"), in(L"self.zip")), code::NothingToDo);
}

TEST_F(ApiTest, ExecuteClearsTheSettingsWhateverItsOutcome) {
    ASSERT_TRUE(api::setPassword("secret"));
    EXPECT_EQ(zip(in(L"*.txt"), out(L"a.zip"), kEncrypted), 0);
    EXPECT_EQ(api::execute(ansi(out(L"b.zip")).c_str(), 2, 5, kPlain), code::InvalidSource);
    ASSERT_TRUE(api::include(ansi(in(L"*.txt")).c_str()));
    EXPECT_EQ(api::execute(ansi(out(L"c.zip")).c_str(), 2, 5, kEncrypted), code::InternalError)
        << "the password went with the first archive";

    ASSERT_TRUE(api::include(ansi(in(L"nope.txt")).c_str()));
    EXPECT_EQ(api::execute(ansi(out(L"d.zip")).c_str(), 2, 5, kPlain), code::FileNotMatched);
    EXPECT_EQ(api::execute(ansi(out(L"d.zip")).c_str(), 2, 5, kPlain), code::InvalidSource);
}

TEST_F(ApiTest, RefusedSettingsWithdrawEarlierOnes) {
    ASSERT_TRUE(api::setPassword("secret"));
    EXPECT_FALSE(api::setPassword(std::string(256, 'p').c_str()));
    ASSERT_TRUE(api::include(ansi(in(L"*.txt")).c_str()));
    EXPECT_EQ(api::execute(ansi(out(L"a.zip")).c_str(), 2, 5, kEncrypted), code::InternalError);

    ASSERT_TRUE(api::include(ansi(in(L"*.txt")).c_str()));
    EXPECT_FALSE(api::include("\"unbalanced"));
    EXPECT_EQ(api::execute(ansi(out(L"a.zip")).c_str(), 2, 5, kPlain), code::InvalidSource);
    EXPECT_TRUE(dir_.names(L"out\\").empty());
}

TEST_F(ApiTest, SettingsBelongToTheCallingThread) {
    dir_.write(L"empty\\readme.md", "no text files here");
    // Both threads set everything before either executes: shared settings
    // would hand one thread the other's source or password.
    std::atomic<int> ready{0};
    auto waitForBoth = [&] {
        ++ready;
        while (ready < 2) std::this_thread::yield();
    };
    int32_t first = -1, second = -1;
    std::thread a([&] {
        api::setPassword("secret");
        api::include(ansi(in(L"*.txt")).c_str());
        waitForBoth();
        first = api::execute(ansi(out(L"a.zip")).c_str(), 2, 5, kEncrypted);
    });
    std::thread b([&] {
        api::include(ansi(dir_.path() + L"empty\\*.txt").c_str());
        waitForBoth();
        second = api::execute(ansi(out(L"b.zip")).c_str(), 2, 5, kEncrypted);
    });
    a.join();
    b.join();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, code::InternalError) << "no password was given on this thread";
    EXPECT_EQ(dir_.names(L"out\\"), std::vector<std::wstring>{L"a.zip"});
}

TEST_F(ApiTest, RecursionKeepsGoingIntoSubdirectories) {
    EXPECT_EQ(zip(in(L"a.txt"), out(L"r.zip"), kRecursive), 0);
    EXPECT_EQ(zip(in(L"*.txt"), out(L"r.zip"), kRecursive), 0);
}

}  // namespace
}  // namespace lsz
