// The values behind Session and Application: named script values shared by
// the pages of one visitor, or of the whole site, on any thread.
#pragma once

#include "common/handles.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace asphost {

class ValueStore {
public:
    // Copies the value out; Empty when the name is unknown.
    void get(const std::wstring& name, VARIANT* out) const;
    // Stores a copy. Objects are refused: each page runs in an apartment of
    // its own, and an object kept here would be called from the wrong one.
    // Returns false for an object.
    bool set(const std::wstring& name, const VARIANT& value);
    void remove(const std::wstring& name);
    void clear();
    std::vector<std::wstring> names() const;

private:
    struct Slot {
        std::wstring name;
        std::shared_ptr<kb::UniqueVariant> value;
    };
    mutable std::mutex mutex_;
    std::map<std::wstring, Slot> slots_;  // by upper-case name
};

// The sessions of a served site, found by the cookie they hand out.
class SessionStore {
public:
    struct Session {
        std::wstring id;
        std::shared_ptr<ValueStore> values;
        bool isNew = false;
    };
    // The session of cookie id, or a new one when it is unknown or expired.
    Session find(const std::wstring& id);
    void abandon(const std::wstring& id);

private:
    struct Entry {
        std::shared_ptr<ValueStore> values;
        std::chrono::steady_clock::time_point lastUse;
    };
    std::mutex mutex_;
    std::map<std::wstring, Entry> sessions_;
};

inline constexpr wchar_t kSessionCookie[] = L"ASPSESSIONID";

}  // namespace asphost
