#include "compressor/fault_report.h"

#include "log/failure_log.h"

#include <atomic>
#include <cstdint>
#include <cwchar>
#include <string>

namespace kb::compressor {

namespace {

struct Image {
    std::atomic<uintptr_t> start{0};
    std::atomic<uintptr_t> end{0};
};

Image g_library;
Image g_component;
std::atomic<bool> g_ending{false};
std::atomic<void (*)() noexcept> g_last{nullptr};

void remember(Image& image, HMODULE module) {
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(module) + dos->e_lfanew);
    uintptr_t start = reinterpret_cast<uintptr_t>(module);
    image.end = start + nt->OptionalHeader.SizeOfImage;
    image.start = start;
}

bool inside(const Image& image, uintptr_t at) { return image.start != 0 && at >= image.start && at < image.end; }

bool isHardwareFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return true;
    default:
        return false;
    }
}

struct FaultRecord {
    DWORD code;
    uintptr_t address;
    uintptr_t moduleStart;
};

// Writes the line on a thread of its own: the faulting thread may have no
// stack left, and what it held is not to be run on.
DWORD WINAPI writeRecord(void* parameter) {
    const auto* fault = static_cast<const FaultRecord*>(parameter);
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(reinterpret_cast<HMODULE>(fault->moduleStart), path, MAX_PATH);
    const wchar_t* name = std::wcsrchr(path, L'\\') ? std::wcsrchr(path, L'\\') + 1 : path;
    wchar_t message[160];
    std::swprintf(message, 160, L"Fault 0x%08lX in %ls at offset 0x%llX: the process ends",
                  static_cast<unsigned long>(fault->code), name,
                  static_cast<unsigned long long>(fault->address - fault->moduleStart));
    log::logFailure({L"compression", 50, message, path, fault->code}, L"");
    if (auto last = g_last.load()) last();
    return 0;
}

LONG CALLBACK onException(EXCEPTION_POINTERS* info) {
    DWORD code = info->ExceptionRecord->ExceptionCode;
    auto at = reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress);
    if (!isHardwareFault(code)) return EXCEPTION_CONTINUE_SEARCH;
    const Image* image = inside(g_library, at) ? &g_library : inside(g_component, at) ? &g_component : nullptr;
    if (!image) return EXCEPTION_CONTINUE_SEARCH;
    // A second fault, here or on another thread, waits for the first to end
    // the process.
    if (!g_ending.exchange(true)) {
        static FaultRecord record;
        record = {code, at, image->start};
        // Bounded: with the loader lock held by the faulting thread, the new
        // thread never starts, and the process ends without its line.
        HANDLE writer = ::CreateThread(nullptr, 0, writeRecord, &record, 0, nullptr);
        if (writer) {
            ::WaitForSingleObject(writer, 5000);
            ::CloseHandle(writer);
        }
        ::TerminateProcess(::GetCurrentProcess(), code);
    }
    ::Sleep(INFINITE);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void beforeFaultEnd(void (*last)() noexcept) { g_last = last; }

void endProcessOnFaultIn(HMODULE module) {
    static std::atomic<bool> installed{false};
    if (!installed.exchange(true)) {
        HMODULE self = nullptr;
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<LPCWSTR>(&onException), &self);
        if (self) remember(g_component, self);
        ::AddVectoredExceptionHandler(1, onException);
    }
    if (module) remember(g_library, module);
}

}  // namespace kb::compressor
