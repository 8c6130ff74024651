// Session, Application and the ScriptingContext that hands all the page's
// objects to a component.
#pragma once

#include "intrinsics/dispatch_object.h"
#include "intrinsics/value_store.h"

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace asphost {

// Item (the default member, read and assigned), Contents, Remove, RemoveAll
// and Count over a store of values.
class ValueBag : public DispatchObject {
public:
    ValueBag(std::wstring name, std::shared_ptr<ValueStore> store);

protected:
    std::shared_ptr<ValueStore> store_;
};

class SessionObject final : public ValueBag {
public:
    // abandon: forgets the session once the page is over.
    SessionObject(std::shared_ptr<ValueStore> store, std::wstring id, std::function<void()> abandon);

private:
    std::wstring id_;
    long timeout_ = 20;
};

// Lock and Unlock serialise pages that update several values together. A
// page that forgets Unlock is unlocked when it ends.
class ApplicationObject final : public ValueBag {
public:
    ApplicationObject(std::shared_ptr<ValueStore> store, std::shared_ptr<std::recursive_mutex> lock);
    void releaseLocks();

private:
    std::shared_ptr<std::recursive_mutex> lock_;
    int held_ = 0;
};

// The page's objects as members of one object that the script engine takes
// as its global namespace. Named items of their own would be simpler, but
// Wine's VBScript cannot call a named item with arguments, and IIS pages
// write Session("name") = value and Request("name") everywhere. As members,
// Session("name") reaches the session's default member.
class PageGlobals final : public DispatchObject {
public:
    PageGlobals(const std::vector<std::pair<const wchar_t*, IDispatch*>>& objects);
};

class ScriptingContext final : public DispatchObject {
public:
    ScriptingContext(IDispatch* request, IDispatch* response, IDispatch* server, IDispatch* session, IDispatch* application);
};

}  // namespace asphost
