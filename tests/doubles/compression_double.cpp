// Records every call in the file named by LSZIP_DOUBLE_LOG, one line each,
// and answers with the results named by LSZIP_DOUBLE_PASSWORD,
// LSZIP_DOUBLE_INCLUDE and LSZIP_DOUBLE_EXECUTE (defaults 1, 1 and 0).
// With LSZIP_DOUBLE_CRASH=1 (or 2, on a thread of its own) the execute calls fault instead of answering. The W
// calls record their strings as UTF-8; each .def file exports a subset.
#include "lspzipx/lspzipx.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int32_t answer(const char* name, int32_t fallback) {
    char value[32];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::atoi(value) : fallback;
}

DWORD WINAPI faultOnWorker(void*) {
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}

// Faults as a broken library would, when the test asks for it: 1 on the
// calling thread, 2 on a worker thread of its own while the caller waits.
void crashIfAsked() {
    int32_t crash = answer("LSZIP_DOUBLE_CRASH", 0);
    if (crash == 1) *static_cast<volatile int*>(nullptr) = 1;
    if (crash == 2) {
        HANDLE worker = CreateThread(nullptr, 0, faultOnWorker, nullptr, 0, nullptr);
        if (worker) WaitForSingleObject(worker, INFINITE);
    }
}

void record(const std::string& line) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("LSZIP_DOUBLE_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    if (FILE* f = std::fopen(path, "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

}  // namespace

extern "C" int32_t LSZIP_CALL LSZIP_PASSWORD(const char* password) {
    record(std::string("PASSWORD ") + (password ? password : "(null)"));
    return answer("LSZIP_DOUBLE_PASSWORD", 1);
}

extern "C" int32_t LSZIP_CALL LSZIP_INCLUDE(const char* sources) {
    record(std::string("INCLUDE ") + (sources ? sources : "(null)"));
    return answer("LSZIP_DOUBLE_INCLUDE", 1);
}

extern "C" int32_t LSZIP_CALL LSZIP_EXECUTE(const char* zipPath, int32_t mode, int32_t rate, int32_t options) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " %d %d %d", mode, rate, options);
    record(std::string("EXECUTE ") + (zipPath ? zipPath : "(null)") + numbers);
    crashIfAsked();
    return answer("LSZIP_DOUBLE_EXECUTE", 0);
}

namespace {

std::string utf8(const wchar_t* text) {
    if (!text) return "(null)";
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

extern "C" int32_t LSZIP_CALL LSZIP_PASSWORDW(const wchar_t* password) {
    record("PASSWORDW " + utf8(password));
    return answer("LSZIP_DOUBLE_PASSWORD", 1);
}

extern "C" int32_t LSZIP_CALL LSZIP_INCLUDEW(const wchar_t* sources) {
    record("INCLUDEW " + utf8(sources));
    return answer("LSZIP_DOUBLE_INCLUDE", 1);
}

extern "C" int32_t LSZIP_CALL LSZIP_EXECUTEW(const wchar_t* zipPath, int32_t mode, int32_t rate, int32_t options) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " %d %d %d", mode, rate, options);
    record("EXECUTEW " + utf8(zipPath) + numbers);
    crashIfAsked();
    return answer("LSZIP_DOUBLE_EXECUTE", 0);
}
