// Failures inside the component travel as exceptions and are turned into a
// status or an HRESULT at the COM boundary; none crosses it.
#pragma once

#include <windows.h>

#include <stdexcept>

namespace kb {

class HResultError : public std::runtime_error {
public:
    explicit HResultError(HRESULT hr) : std::runtime_error("HRESULT failure"), hr_(hr) {}
    HRESULT code() const { return hr_; }

private:
    HRESULT hr_;
};

inline void throwIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw HResultError(hr);
}

[[noreturn]] inline void throwLastError() {
    DWORD err = ::GetLastError();
    throw HResultError(HRESULT_FROM_WIN32(err ? err : ERROR_GEN_FAILURE));
}

template <typename T>
T* throwIfNull(T* p) {
    if (!p) throw HResultError(E_OUTOFMEMORY);
    return p;
}

// Runs fn and turns whatever it throws into an HRESULT, for COM entry points.
template <typename Fn>
HRESULT guarded(Fn&& fn) noexcept {
    try {
        return fn();
    } catch (const HResultError& e) {
        return e.code();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace kb
