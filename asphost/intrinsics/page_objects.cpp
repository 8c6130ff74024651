#include "intrinsics/page_objects.h"

namespace asphost {

using kb::ComPtr;

ValueBag::ValueBag(std::wstring name, std::shared_ptr<ValueStore> store)
    : DispatchObject(std::move(name)), store_(std::move(store)) {
    // Item and Contents(name) read and assign alike.
    auto item = [this](Call& c) {
        if (!c.has(0)) return c.returnObject(this);
        std::wstring key = c.text(0);
        if (!c.isPut()) {
            kb::UniqueVariant value;
            store_->get(key, value.get());
            return c.returnVariant(*value.get());
        }
        if (!store_->set(key, c.value())) {
            fail(L"Objects cannot be stored here: every request runs in an apartment of its own.");
        }
    };
    member(DISPID_VALUE, L"Item", item);
    member(1, L"Contents", item);
    member(2, L"Remove", [this](Call& c) { store_->remove(c.text(0)); });
    member(3, L"RemoveAll", [this](Call&) { store_->clear(); });
    member(4, L"Count", [this](Call& c) { c.returnLong(static_cast<long>(store_->names().size())); });
    member(DISPID_NEWENUM, L"_NewEnum", [this](Call& c) {
        ComPtr<IEnumVARIANT> e = makeEnumerator(store_->names());
        VARIANT v;
        V_VT(&v) = VT_UNKNOWN;
        V_UNKNOWN(&v) = e.get();
        c.returnVariant(v);
    });
}

SessionObject::SessionObject(std::shared_ptr<ValueStore> store, std::wstring id, std::function<void()> abandon)
    : ValueBag(L"Session", std::move(store)), id_(std::move(id)) {
    member(10, L"SessionID", [this](Call& c) { c.returnText(id_); });
    member(11, L"Timeout", [this](Call& c) {
        if (!c.isPut()) return c.returnLong(timeout_);
        timeout_ = std::wcstol(c.valueText().c_str(), nullptr, 10);
    });
    member(12, L"Abandon", [abandon = std::move(abandon)](Call&) {
        if (abandon) abandon();
    });
}

ApplicationObject::ApplicationObject(std::shared_ptr<ValueStore> store, std::shared_ptr<std::recursive_mutex> lock)
    : ValueBag(L"Application", std::move(store)), lock_(std::move(lock)) {
    member(10, L"Lock", [this](Call&) {
        lock_->lock();
        ++held_;
    });
    member(11, L"Unlock", [this](Call&) {
        if (held_ > 0) {
            --held_;
            lock_->unlock();
        }
    });
}

void ApplicationObject::releaseLocks() {
    for (; held_ > 0; --held_) lock_->unlock();
}

PageGlobals::PageGlobals(const std::vector<std::pair<const wchar_t*, IDispatch*>>& objects) : DispatchObject(L"Page") {
    DISPID id = 1;
    for (const auto& [name, object] : objects) {
        member(id++, name, [held = ComPtr<IDispatch>(object)](Call& c) {
            if (c.count() == 0 && !c.isPut()) return c.returnObject(held.get());
            c.forwardToDefault(held.get());
        });
    }
}

ScriptingContext::ScriptingContext(IDispatch* request, IDispatch* response, IDispatch* server, IDispatch* session,
                                   IDispatch* application)
    : DispatchObject(L"ScriptingContext") {
    auto getter = [this](DISPID id, const wchar_t* name, IDispatch* object) {
        member(id, name, [held = ComPtr<IDispatch>(object)](Call& c) { c.returnObject(held.get()); });
    };
    getter(1, L"Request", request);
    getter(2, L"Response", response);
    getter(3, L"Server", server);
    getter(4, L"Session", session);
    getter(5, L"Application", application);
}

}  // namespace asphost
