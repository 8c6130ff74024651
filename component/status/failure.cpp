#include "status/failure.h"

#include "common/errors.h"
#include "status/status_messages.h"

#include <new>

namespace kb {

Failure statusFailure(const wchar_t* operation, int status, std::wstring path, DWORD systemError) {
    return {operation, status, status::statusMessage(static_cast<int16_t>(status)), std::move(path), systemError};
}

std::optional<Failure> faultFailure(const wchar_t* operation, int status, const std::wstring& path,
                                    DWORD systemError) noexcept {
    try {
        return statusFailure(operation, status, path, systemError);
    } catch (...) {
        return std::nullopt;
    }
}

DWORD currentExceptionCode() noexcept {
    try {
        throw;
    } catch (const HResultError& e) {
        return static_cast<DWORD>(e.code());
    } catch (const std::bad_alloc&) {
        return static_cast<DWORD>(E_OUTOFMEMORY);
    } catch (...) {
        return 0;
    }
}

}  // namespace kb
