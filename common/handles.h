// Owning wrappers for the handle kinds the component uses. One template serves
// every kind; put() releases the old value before handing out its address, so
// an out-parameter never leaks what was held before.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace kb {

template <typename Traits>
class UniqueAny {
public:
    using Type = typename Traits::Type;

    UniqueAny() = default;
    explicit UniqueAny(Type value) : value_(value) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueAny() { reset(); }

    Type get() const { return value_; }
    bool valid() const { return value_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    Type release() {
        Type value = value_;
        value_ = Traits::invalid();
        return value;
    }
    void reset(Type value = Traits::invalid()) {
        if (valid()) Traits::close(value_);
        value_ = value;
    }
    Type* put() {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::invalid();
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { ::CloseHandle(h); }
};
// A kernel object's handle from a call that returns null on failure
// (mutexes, events, process tokens), where files return INVALID_HANDLE_VALUE.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { ::FindClose(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type invalid() { return nullptr; }
    static void close(Type h) { ::RegCloseKey(h); }
};
struct BstrTraits {
    using Type = BSTR;
    static Type invalid() { return nullptr; }
    static void close(Type h) { ::SysFreeString(h); }
};

struct EventSourceTraits {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { ::DeregisterEventSource(h); }
};

using UniqueFile = UniqueAny<FileHandleTraits>;
using UniqueHandle = UniqueAny<KernelHandleTraits>;
using UniqueFind = UniqueAny<FindHandleTraits>;
using UniqueKey = UniqueAny<RegKeyTraits>;
using UniqueBstr = UniqueAny<BstrTraits>;
using UniqueEventSource = UniqueAny<EventSourceTraits>;

// A counted COM interface pointer.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    T* detach() { return std::exchange(p_, nullptr); }

private:
    T* p_ = nullptr;
};

// The EXCEPINFO a failed call filled in. A deferred fill-in, when the callee
// left one, runs before anything is read or freed, so that the strings it
// adds are freed with the rest.
class UniqueExcepInfo {
public:
    UniqueExcepInfo() = default;
    UniqueExcepInfo(const UniqueExcepInfo&) = delete;
    UniqueExcepInfo& operator=(const UniqueExcepInfo&) = delete;
    ~UniqueExcepInfo() { reset(); }

    // For the callee to fill in.
    EXCEPINFO* put() {
        reset();
        return &info_;
    }
    // The whole information, the deferred part included.
    const EXCEPINFO& get() {
        if (auto fillIn = info_.pfnDeferredFillIn) {
            info_.pfnDeferredFillIn = nullptr;
            fillIn(&info_);
        }
        return info_;
    }
    // The error code, E_FAIL when the callee gave none.
    HRESULT code() {
        const EXCEPINFO& info = get();
        HRESULT hr = info.scode ? info.scode : E_FAIL;
        return SUCCEEDED(hr) ? E_FAIL : hr;
    }
    void reset() {
        get();
        ::SysFreeString(info_.bstrSource);
        ::SysFreeString(info_.bstrDescription);
        ::SysFreeString(info_.bstrHelpFile);
        info_ = EXCEPINFO{};
    }

private:
    EXCEPINFO info_{};
};

// A VARIANT that clears itself.
class UniqueVariant {
public:
    UniqueVariant() { ::VariantInit(&v_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { ::VariantClear(&v_); }

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    VARIANT* put() {
        ::VariantClear(&v_);
        return &v_;
    }
    VARIANT* operator->() { return &v_; }

private:
    VARIANT v_;
};

}  // namespace kb
