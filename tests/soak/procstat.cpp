// Prints the handle count, private bytes, commit charge and thread count of
// a process, named by its id or by its program's name (the first one
// running): "pid=N handles=N private=N commit=N threads=N". Exit code 1 when there is no such
// process.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

DWORD processNamed(const wchar_t* name) {
    DWORD found = 0;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !found; more = ::Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, name) == 0) found = entry.th32ProcessID;
    }
    ::CloseHandle(snapshot);
    return found;
}

// The process's entries in the system's handle table, for systems whose
// GetProcessHandleCount answers 0 for every process (Wine).
DWORD handlesInSystemTable(DWORD pid) {
    struct Entry {
        USHORT process;
        USHORT creatorBackTrace;
        UCHAR type;
        UCHAR flags;
        USHORT handle;
        void* object;
        ACCESS_MASK access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
    constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
    std::vector<char> buffer(1 << 20);
    NTSTATUS status;
    ULONG length = 0;
    while ((status = ::NtQuerySystemInformation(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                                                &length)) == kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return 0;
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    DWORD count = 0;
    for (ULONG i = 0; i < table->count; ++i) {
        if (table->entries[i].process == static_cast<USHORT>(pid)) ++count;
    }
    return count;
}

// The process's committed private memory, region by region: what Windows
// counts as its private bytes. Wine answers 0 for PrivateUsage, and its
// PagefileUsage also counts the memory of Wine's own Unix side.
SIZE_T committedPrivate(HANDLE process) {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr; ::VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: procstat PID\n", stderr);
        return 2;
    }
    char* end = nullptr;
    DWORD pid = static_cast<DWORD>(std::strtoul(argv[1], &end, 10));
    if (*end != '\0') {
        wchar_t name[MAX_PATH] = L"";
        ::MultiByteToWideChar(CP_ACP, 0, argv[1], -1, name, MAX_PATH);
        pid = processNamed(name);
    }
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return 1;
    DWORD handles = 0;
    if (!::GetProcessHandleCount(process, &handles) || handles == 0) handles = handlesInSystemTable(pid);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    SIZE_T privateBytes = memory.PrivateUsage ? memory.PrivateUsage : committedPrivate(process);
    ::CloseHandle(process);
    DWORD threads = 0;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID == pid) ++threads;
        }
        ::CloseHandle(snapshot);
    }
    std::printf("pid=%lu handles=%lu private=%llu commit=%llu threads=%lu\n", static_cast<unsigned long>(pid),
                static_cast<unsigned long>(handles), static_cast<unsigned long long>(privateBytes),
                static_cast<unsigned long long>(memory.PagefileUsage), static_cast<unsigned long>(threads));
    return 0;
}
