// The IUnknown that the COM objects here share. Each implements one
// interface, answers QueryInterface for IUnknown and the interface IDs it
// names, and counts its references. An object made with new is deleted by
// its last Release; one that lives on its creator's stack only counts.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace kb {

enum class Lifetime { Heap, Stack };

template <typename Interface, const IID&... Answers>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || ((riid == Answers) || ...)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --refs_;
        if (left == 0 && lifetime_ == Lifetime::Heap) delete this;
        return left;
    }

protected:
    // refs: the count it starts with, 1 for an object whose creator holds
    // the first reference without an AddRef.
    explicit ComObject(ULONG refs, Lifetime lifetime = Lifetime::Heap) : refs_(refs), lifetime_(lifetime) {}
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> refs_;
    const Lifetime lifetime_;
};

}  // namespace kb
