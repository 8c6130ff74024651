// Sources that change between the listing and the reading, as when another
// process writes, truncates, deletes or locks them: the archive either fails
// with a code and leaves nothing, or holds what was read; and deleting the
// originals never takes a file whose zipped state is not its state now.
#include "archive/archive.h"
#include "base/library_codes.h"
#include "common/handles.h"
#include "scratch_dir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace lsz {
namespace {

using kb::test::ScratchDir;

void rewrite(const std::wstring& path, const std::string& content) {
    kb::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(f && ::WriteFile(f.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
}

struct Case {
    const char* what;
    std::function<void(const std::wstring& victim, kb::UniqueFile& lock)> change;
    int32_t expected;            // 0 or 190 when the archive is written
    std::vector<std::wstring> left;  // what remains of in\ afterwards
};

TEST(ChangingSources, FailCleanlyOrKeepWhatChanged) {
    std::string body(100000, 'x');
    Case cases[] = {
        {"deleted", [](const std::wstring& v, kb::UniqueFile&) { ::DeleteFileW(v.c_str()); }, code::ReadError,
         {L"a.txt", L"c.txt"}},
        {"locked", [](const std::wstring& v, kb::UniqueFile& lock) {
             lock.reset(::CreateFileW(v.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
         }, code::ReadError, {L"a.txt", L"b.txt", L"c.txt"}},
        {"truncated", [](const std::wstring& v, kb::UniqueFile&) { rewrite(v, "short"); }, code::OriginalsKept,
         {L"b.txt"}},
        {"grown", [&](const std::wstring& v, kb::UniqueFile&) { rewrite(v, body + body); }, code::OriginalsKept,
         {L"b.txt"}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) dir.write(std::wstring(L"in\\") + name, body);
        dir.makeDirectory(L"out");
        kb::UniqueFile lock;
        ArchiveRequest request;
        request.zipPath = dir / L"out\\t.zip";
        request.items = {dir / L"in\\*.txt"};
        request.deleteOriginals = true;
        request.listed = [&] { c.change(dir / L"in\\b.txt", lock); };
        int32_t got = code::Ok;
        try {
            createArchive(request);
        } catch (const LibError& e) {
            got = e.code();
        }
        lock.reset();
        EXPECT_EQ(got, c.expected) << c.what;
        bool written = c.expected == code::Ok || c.expected == code::OriginalsKept;
        EXPECT_EQ(dir.names(L"out\\"), written ? std::vector<std::wstring>{L"t.zip"} : std::vector<std::wstring>{})
            << c.what << ": an archive whole or none, and no temporary file";
        EXPECT_EQ(dir.names(L"in\\"), c.left) << c.what;
    }
}

TEST(ChangingSources, DeletesOnlyTheFileThatWasRead) {
    ScratchDir dir;
    std::string body = "the file that went into the archive";
    dir.write(L"in\\a.txt", body);
    dir.makeDirectory(L"out");
    ArchiveRequest request;
    request.zipPath = dir / L"out\\t.zip";
    request.items = {dir / L"in\\*.txt"};
    request.deleteOriginals = true;
    // Once the file is zipped, its folder moves away and a folder in its
    // place holds a file that only its identity tells from the one read:
    // the same name, size and time.
    request.onEntry = [&](const EntryReport&) {
        WIN32_FILE_ATTRIBUTE_DATA read{};
        ASSERT_TRUE(::GetFileAttributesExW((dir / L"in\\a.txt").c_str(), GetFileExInfoStandard, &read));
        ASSERT_TRUE(::MoveFileW((dir / L"in").c_str(), (dir / L"away").c_str()));
        dir.write(L"in\\a.txt", std::string(body.size(), 'y'));
        kb::UniqueFile standIn(::CreateFileW((dir / L"in\\a.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(standIn && ::SetFileTime(standIn.get(), nullptr, nullptr, &read.ftLastWriteTime));
    };
    int32_t got = code::Ok;
    std::wstring named;
    try {
        createArchive(request);
    } catch (const LibError& e) {
        got = e.code();
        named = e.path();
    }
    EXPECT_EQ(got, code::OriginalsKept);
    EXPECT_EQ(named, dir / L"in\\a.txt");
    EXPECT_EQ(dir.names(L"in\\"), std::vector<std::wstring>{L"a.txt"}) << "the stand-in stays";
    EXPECT_EQ(dir.names(L"away\\"), std::vector<std::wstring>{L"a.txt"}) << "so does the original, out of reach";
    EXPECT_EQ(dir.names(L"out\\"), std::vector<std::wstring>{L"t.zip"}) << "the archive is complete";
}

}  // namespace
}  // namespace lsz
