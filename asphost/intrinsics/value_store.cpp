#include "intrinsics/value_store.h"

#include "common/errors.h"

#include <cwctype>
#include <random>

namespace asphost {

namespace {

// IIS forgets a session after twenty minutes without a request.
constexpr auto kSessionLifetime = std::chrono::minutes(20);

std::wstring upper(const std::wstring& s) {
    std::wstring out(s);
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(c));
    return out;
}

bool holdsObject(const VARIANT& v) {
    VARTYPE t = V_VT(&v) & ~VT_BYREF;
    return t == VT_DISPATCH || t == VT_UNKNOWN || ((V_VT(&v) & VT_ARRAY) && ((t & ~VT_ARRAY) == VT_DISPATCH || (t & ~VT_ARRAY) == VT_UNKNOWN));
}

std::wstring newSessionId() {
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    std::lock_guard<std::mutex> guard(mutex);
    std::wstring id;
    for (int i = 0; i < 24; ++i) id += static_cast<wchar_t>(L'A' + generator() % 26);
    return id;
}

}  // namespace

void ValueStore::get(const std::wstring& name, VARIANT* out) const {
    std::shared_ptr<kb::UniqueVariant> value;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = slots_.find(upper(name));
        if (it != slots_.end()) value = it->second.value;
    }
    ::VariantInit(out);
    if (value) kb::throwIfFailed(::VariantCopy(out, value->get()));
}

bool ValueStore::set(const std::wstring& name, const VARIANT& given) {
    if (holdsObject(given)) return false;
    auto value = std::make_shared<kb::UniqueVariant>();
    kb::throwIfFailed(::VariantCopyInd(value->get(), const_cast<VARIANT*>(&given)));
    std::lock_guard<std::mutex> guard(mutex_);
    slots_[upper(name)] = Slot{name, std::move(value)};
    return true;
}

void ValueStore::remove(const std::wstring& name) {
    std::lock_guard<std::mutex> guard(mutex_);
    slots_.erase(upper(name));
}

void ValueStore::clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    slots_.clear();
}

std::vector<std::wstring> ValueStore::names() const {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<std::wstring> out;
    for (const auto& [key, slot] : slots_) out.push_back(slot.name);
    return out;
}

SessionStore::Session SessionStore::find(const std::wstring& id) {
    auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        it = now - it->second.lastUse > kSessionLifetime ? sessions_.erase(it) : std::next(it);
    }
    auto it = sessions_.find(id);
    if (it != sessions_.end()) {
        it->second.lastUse = now;
        return {id, it->second.values, false};
    }
    Session session{newSessionId(), std::make_shared<ValueStore>(), true};
    sessions_[session.id] = Entry{session.values, now};
    return session;
}

void SessionStore::abandon(const std::wstring& id) {
    std::lock_guard<std::mutex> guard(mutex_);
    sessions_.erase(id);
}

}  // namespace asphost
