// The Request object and its collections, built from one request's data.
#pragma once

#include "intrinsics/dispatch_object.h"
#include "web/url_encoding.h"

#include <string>
#include <unordered_map>

namespace asphost {

struct RequestData {
    std::wstring method = L"GET";
    std::string rawQuery;  // as it came, still encoded
    std::string body;      // a form's encoded fields when the method is POST
    std::string contentType;
    NameValues headers;          // in arrival order
    NameValues serverVariables;  // the host's own: paths, addresses, ports
};

// The values of one name in a collection: its default value is the values
// joined by ", ", and For Each walks them one by one.
class StringList final : public DispatchObject {
public:
    explicit StringList(std::vector<std::wstring> values);

private:
    std::vector<std::wstring> values_;
};

// QueryString, Form, ServerVariables and Cookies: names in arrival order,
// looked up in any letter case, each with one or more values.
class RequestDictionary final : public DispatchObject {
public:
    // raw: the collection's own value, the encoded text it came from.
    RequestDictionary(const NameValues& pairs, std::wstring raw);
    // The values of item key: a name, or a position counted from 1.
    kb::ComPtr<StringList> item(const VARIANT& key) const;
    // The values of a name; empty when it is absent.
    std::vector<std::wstring> lookup(const std::wstring& name) const;

private:
    struct Entry {
        std::wstring name;
        std::vector<std::wstring> values;
    };
    std::vector<Entry> entries_;
    // Lower-case name to position in entries_: a form of a hundred thousand
    // fields must not cost a comparison with every earlier name each.
    std::unordered_map<std::wstring, size_t> index_;
    std::wstring raw_;
};

class Request final : public DispatchObject {
public:
    explicit Request(const RequestData& data);

private:
    kb::ComPtr<RequestDictionary> queryString_;
    kb::ComPtr<RequestDictionary> form_;
    kb::ComPtr<RequestDictionary> cookies_;
    kb::ComPtr<RequestDictionary> serverVariables_;
    long totalBytes_;
};

// The cookies of a Cookie header, "a=1; b=2".
NameValues parseCookies(std::wstring_view header);

}  // namespace asphost
