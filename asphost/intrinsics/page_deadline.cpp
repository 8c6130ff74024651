#include "intrinsics/page_deadline.h"

#include "intrinsics/dispatch_object.h"

#include <windows.h>

namespace asphost {

namespace {

thread_local PageDeadline* t_pageDeadline = nullptr;

}  // namespace

void watchPageDeadline(PageDeadline* deadline) { t_pageDeadline = deadline; }

PageDeadline* pageDeadline() { return t_pageDeadline; }

void throwIfPastDeadline() {
    uint64_t deadline = t_pageDeadline ? t_pageDeadline->load() : 0;
    if (deadline == 0 || ::GetTickCount64() <= deadline) return;
    throw ScriptException{
        E_FAIL, L"Active Server Pages",
        L"ASP 0113: Script timed out. The maximum amount of time for a script to execute was exceeded. You can "
        L"change this limit by specifying a new value for the property Server.ScriptTimeout."};
}

}  // namespace asphost
