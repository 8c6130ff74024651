// A password passes through the component's state, the request to the
// library and the library's own settings. Once an archive is written and the
// state is gone, no memory of the process may still hold it.
#include "compressor/run_compressor.h"
#include "lspzipx/lspzipx.h"
#include "zip/do_zip.h"

#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace kb {
namespace {

// Built on the stack at run time, so that the only copies elsewhere are
// the ones the code under test made. Long, because a freed heap block's
// first bytes are overwritten by the heap itself: the tail is what stays.
struct Marker {
    static constexpr char kText[] = "Zq7-wipe-me-9Xv-a-password-long-enough-to-outlast-heap-links";
    static constexpr size_t kTail = 24;
    wchar_t wide[sizeof kText];
    char narrow[sizeof kText];
    Marker() {
        for (size_t i = 0; i < sizeof kText; ++i) {
            wide[i] = static_cast<wchar_t>(kText[i]);
            narrow[i] = kText[i];
        }
    }
    const wchar_t* wideTail() const { return wide + sizeof kText - 1 - kTail; }
    const char* narrowTail() const { return narrow + sizeof kText - 1 - kTail; }
};

bool holds(const uint8_t* data, size_t size, const void* needle, size_t length) {
    auto first = *static_cast<const uint8_t*>(needle);
    for (size_t i = 0; i + length <= size; ++i) {
        if (data[i] == first && std::memcmp(data + i, needle, length) == 0) return true;
    }
    return false;
}

// Every committed private page of the process, freed heap blocks included,
// but for this thread's own stack, where the marker itself lives.
bool memoryHolds(const Marker& m) {
    MEMORY_BASIC_INFORMATION region;
    if (!::VirtualQuery(&m, &region, sizeof region)) return true;
    void* ownStack = region.AllocationBase;
    uint8_t* at = nullptr;
    while (::VirtualQuery(at, &region, sizeof region)) {
        auto* base = static_cast<uint8_t*>(region.BaseAddress);
        bool ours = region.AllocationBase == ownStack;
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE && (region.Protect & PAGE_READWRITE) &&
            !(region.Protect & PAGE_GUARD) && !ours &&
            (holds(base, region.RegionSize, m.wideTail(), Marker::kTail * sizeof(wchar_t)) ||
             holds(base, region.RegionSize, m.narrowTail(), Marker::kTail))) {
            return true;
        }
        if (base + region.RegionSize <= at) break;
        at = base + region.RegionSize;
    }
    return false;
}

std::wstring libraryFolder() {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    path = path.substr(0, path.find_last_of(L'\\'));  // unit
    return path.substr(0, path.find_last_of(L'\\')) + L"\\bin\\";
}

class RecordingPage : public Page {
public:
    explicit RecordingPage(std::wstring root) : root_(std::move(root)) {}
    void writeHtml(const std::wstring&) override {}
    std::wstring mapPath(const std::wstring&) override { return root_; }

private:
    std::wstring root_;
};

// 0 when no copy is left, 1 when one is, 2 when the scenario could not run.
int copiesLeftAfterUse() {
    Marker marker;
    test::ScratchDir dir;
    dir.makeFile(L"a.txt", "alpha");
    dir.makeDirectory(L"dl");
    if (memoryHolds(marker)) return 2;
    {
        // Through the operation, as a page runs it (there is no library in
        // the scratch folder, so the request goes no further).
        ZipRequest request;
        request.sourceFileList = dir / L"a.txt";
        request.zipFileName = L"a.zip";
        request.virtualTargetRoot = L"/dl";
        request.tempDirectory = dir.path();
        request.libraryFolder = dir.path();
        request.password.assign(marker.wide);
        RecordingPage page(dir / L"dl");
        runZipOperation(request, page);
    }
    {
        // Through the real library, both ways in.
        HMODULE library = compressor::loadLibraryBeside(libraryFolder());
        if (!library) return 2;
        compressor::Request request{dir / L"a.txt", dir / L"b.zip", 5, false, SecretW(marker.wide), false};
        if (compressor::runCompressor(library, request) != 0) return 2;
        auto setPassword = reinterpret_cast<lszip_password_fn>(
            reinterpret_cast<void*>(::GetProcAddress(library, "LSZIP_PASSWORD")));
        auto include =
            reinterpret_cast<lszip_include_fn>(reinterpret_cast<void*>(::GetProcAddress(library, "LSZIP_INCLUDE")));
        auto execute =
            reinterpret_cast<lszip_execute_fn>(reinterpret_cast<void*>(::GetProcAddress(library, "LSZIP_EXECUTE")));
        std::string source(dir.path().begin(), dir.path().end());
        std::string target = source + "c.zip";
        source += "a.txt";
        constexpr int32_t encrypted = LSZIP_OPTION_ALWAYS | LSZIP_OPTION_ENCRYPT;
        if (!setPassword(marker.narrow) || !include(source.c_str()) ||
            execute(target.c_str(), LSZIP_MODE_CREATE, 5, encrypted) != 0) {
            return 2;
        }
    }
    return memoryHolds(marker) ? 1 : 0;
}

// In a process of its own: the real library, and a heap with no other test's leftovers.
TEST(PasswordCopies, AreWipedAfterUse) {
    EXPECT_EXIT(std::exit(copiesLeftAfterUse()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kb
