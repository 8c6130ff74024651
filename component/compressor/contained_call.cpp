#include "compressor/contained_call.h"

#include <windows.h>

#include <cstdint>
#include <mutex>

namespace kb::compressor {

namespace {

struct Landing {
    void* jump[5];  // what __builtin_setjmp keeps
    uintptr_t codeStart = 0;  // the library's image
    uintptr_t codeEnd = 0;
};

thread_local Landing* t_landing = nullptr;

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

// Runs on the faulting thread once the system has left its exception
// dispatch, and goes back up to callContained.
[[noreturn]] void land() { __builtin_longjmp(t_landing->jump, 1); }

LONG CALLBACK onException(EXCEPTION_POINTERS* info) {
    auto at = reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress);
    if (!t_landing || !isHardwareFault(info->ExceptionRecord->ExceptionCode) || at < t_landing->codeStart ||
        at >= t_landing->codeEnd) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    // Resume in land(), on the faulting stack well below the fault, as if
    // land() had just been called there. Leaving the handler normally lets
    // the system unwind its own dispatch first.
    CONTEXT* c = info->ContextRecord;
#ifdef _WIN64
    c->Rsp = ((c->Rsp - 4096) & ~static_cast<DWORD64>(15)) - 8;
    c->Rip = reinterpret_cast<DWORD64>(&land);
#else
    c->Esp = ((c->Esp - 4096) & ~static_cast<DWORD>(15)) - 4;
    c->Eip = reinterpret_cast<DWORD>(&land);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

#ifndef _WIN64
// The head of the thread's chain of exception handlers, at fs:[0].
void* handlerChain() {
    void* head;
    __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void restoreHandlerChain(void* head) { __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }
#endif

}  // namespace

bool callContained(HMODULE library, const std::function<void()>& call) {
    static std::once_flag installed;
    std::call_once(installed, [] { ::AddVectoredExceptionHandler(1, onException); });
    Landing landing;
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(library);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(library) + dos->e_lfanew);
    landing.codeStart = reinterpret_cast<uintptr_t>(library);
    landing.codeEnd = landing.codeStart + nt->OptionalHeader.SizeOfImage;
    Landing* outer = t_landing;
#ifndef _WIN64
    // The frames the fault abandons may have registered handlers.
    void* handlers = handlerChain();
#endif
    if (__builtin_setjmp(landing.jump) == 0) {
        t_landing = &landing;
        call();
        t_landing = outer;
        return true;
    }
    t_landing = outer;
#ifndef _WIN64
    restoreHandlerChain(handlers);
#endif
    return false;
}

}  // namespace kb::compressor
