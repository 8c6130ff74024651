#include "intrinsics/request.h"

#include "common/file_names.h"

#include <cwctype>

namespace asphost {

using kb::ComPtr;

namespace {

std::wstring lowerCase(std::wstring_view s) {
    std::wstring out(s);
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

std::wstring joined(const std::vector<std::wstring>& values) {
    std::wstring out;
    for (size_t i = 0; i < values.size(); ++i) out += (i ? L", " : L"") + values[i];
    return out;
}

// An index argument: a number picks by position (from 1), anything else is a name.
bool isIndex(const VARIANT& v) {
    switch (V_VT(&v)) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
    case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_DECIMAL:
        return true;
    default:
        return false;
    }
}

long indexOf(const VARIANT& v) {
    kb::UniqueVariant n;
    kb::throwIfFailed(::VariantChangeType(n.get(), const_cast<VARIANT*>(&v), 0, VT_I4));
    return V_I4(n.get());
}

std::wstring headerVariableName(const std::wstring& header) {
    std::wstring name = L"HTTP_";
    for (wchar_t c : header) name += c == L'-' ? L'_' : static_cast<wchar_t>(std::towupper(c));
    return name;
}

}  // namespace

StringList::StringList(std::vector<std::wstring> values) : DispatchObject(L"Request"), values_(std::move(values)) {
    member(DISPID_VALUE, L"Item", [this](Call& c) {
        if (!c.has(0)) {
            if (!values_.empty()) c.returnText(joined(values_));
            return;
        }
        long i = indexOf(c.arg(0));
        if (i < 1 || static_cast<size_t>(i) > values_.size()) fail(L"Index out of range.", DISP_E_BADINDEX);
        c.returnText(values_[static_cast<size_t>(i - 1)]);
    });
    member(1, L"Count", [this](Call& c) { c.returnLong(static_cast<long>(values_.size())); });
    member(DISPID_NEWENUM, L"_NewEnum", [this](Call& c) {
        ComPtr<IEnumVARIANT> e = makeEnumerator(values_);
        VARIANT v;
        V_VT(&v) = VT_UNKNOWN;
        V_UNKNOWN(&v) = e.get();
        c.returnVariant(v);
    });
}

RequestDictionary::RequestDictionary(const NameValues& pairs, std::wstring raw)
    : DispatchObject(L"Request"), raw_(std::move(raw)) {
    for (const auto& [key, value] : pairs) {
        auto [at, added] = index_.try_emplace(lowerCase(key), entries_.size());
        if (added) entries_.push_back(Entry{key, {}});
        entries_[at->second].values.push_back(value);
    }
    member(DISPID_VALUE, L"Item", [this](Call& c) {
        if (!c.has(0)) return c.returnText(raw_);
        c.returnObject(item(c.arg(0)).get());
    });
    member(1, L"Count", [this](Call& c) { c.returnLong(static_cast<long>(entries_.size())); });
    member(2, L"Key", [this](Call& c) {
        long i = indexOf(c.arg(0));
        if (i < 1 || static_cast<size_t>(i) > entries_.size()) fail(L"Index out of range.", DISP_E_BADINDEX);
        c.returnText(entries_[static_cast<size_t>(i - 1)].name);
    });
    member(DISPID_NEWENUM, L"_NewEnum", [this](Call& c) {
        std::vector<std::wstring> names;
        for (const Entry& e : entries_) names.push_back(e.name);
        ComPtr<IEnumVARIANT> e = makeEnumerator(std::move(names));
        VARIANT v;
        V_VT(&v) = VT_UNKNOWN;
        V_UNKNOWN(&v) = e.get();
        c.returnVariant(v);
    });
}

ComPtr<StringList> RequestDictionary::item(const VARIANT& key) const {
    if (!isIndex(key)) return make<StringList>(lookup(variantText(key)));
    long i = indexOf(key);
    if (i < 1 || static_cast<size_t>(i) > entries_.size()) fail(L"Index out of range.", DISP_E_BADINDEX);
    return make<StringList>(entries_[static_cast<size_t>(i - 1)].values);
}

std::vector<std::wstring> RequestDictionary::lookup(const std::wstring& name) const {
    auto at = index_.find(lowerCase(name));
    return at == index_.end() ? std::vector<std::wstring>() : entries_[at->second].values;
}

NameValues parseCookies(std::wstring_view header) {
    NameValues out;
    size_t start = 0;
    while (start < header.size()) {
        size_t end = header.find(L';', start);
        if (end == std::wstring_view::npos) end = header.size();
        std::wstring_view part = header.substr(start, end - start);
        while (!part.empty() && part.front() == L' ') part.remove_prefix(1);
        size_t eq = part.find(L'=');
        if (eq != std::wstring_view::npos && eq > 0) out.emplace_back(std::wstring(part.substr(0, eq)), std::wstring(part.substr(eq + 1)));
        start = end + 1;
    }
    return out;
}

Request::Request(const RequestData& data) : DispatchObject(L"Request") {
    queryString_ = make<RequestDictionary>(parseUrlEncoded(data.rawQuery), fromUtf8(data.rawQuery));
    bool isForm = data.method == L"POST" && data.contentType.starts_with("application/x-www-form-urlencoded");
    form_ = make<RequestDictionary>(isForm ? parseUrlEncoded(data.body) : NameValues{},
                                    isForm ? fromUtf8(data.body) : std::wstring());
    totalBytes_ = static_cast<long>(data.body.size());

    NameValues variables = data.serverVariables;
    NameValues cookies;
    for (const auto& [name, value] : data.headers) {
        variables.emplace_back(headerVariableName(name), value);
        if (kb::sameName(name, L"Cookie")) {
            NameValues some = parseCookies(value);
            cookies.insert(cookies.end(), some.begin(), some.end());
        }
    }
    cookies_ = make<RequestDictionary>(cookies, std::wstring());
    serverVariables_ = make<RequestDictionary>(variables, std::wstring());

    auto collection = [this](DISPID id, const wchar_t* name, ComPtr<RequestDictionary> dictionary) {
        member(id, name, [dictionary](Call& c) {
            if (!c.has(0)) return c.returnObject(dictionary.get());
            c.returnObject(dictionary->item(c.arg(0)).get());
        });
    };
    collection(1, L"QueryString", queryString_);
    collection(2, L"Form", form_);
    collection(3, L"Cookies", cookies_);
    collection(4, L"ServerVariables", serverVariables_);
    member(5, L"TotalBytes", [this](Call& c) { c.returnLong(totalBytes_); });
    // Request(name) looks through the collections in IIS's order.
    member(DISPID_VALUE, L"Item", [this](Call& c) {
        if (!c.has(0)) fail(L"Request(name) needs a name.");
        std::wstring name = c.text(0);
        std::vector<std::wstring> values;
        for (const ComPtr<RequestDictionary>& d : {queryString_, form_, cookies_, serverVariables_}) {
            values = d->lookup(name);
            if (!values.empty()) break;
        }
        c.returnObject(make<StringList>(std::move(values)).get());
    });
}

}  // namespace asphost
