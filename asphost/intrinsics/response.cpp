#include "intrinsics/response.h"

#include "common/text.h"

namespace asphost {

namespace {

enum : DISPID {
    kWrite = 1, kWriteBlock, kBuffer, kFlush, kClear, kEnd, kContentType, kAddHeader, kRedirect, kStatus, kCharset,
    kExpires, kCacheControl, kIsClientConnected
};

bool validStatus(const std::wstring& s) {
    if (s.size() < 5 || s[3] != L' ') return false;
    for (int i = 0; i < 3; ++i) {
        if (s[i] < L'0' || s[i] > L'9') return false;
    }
    return s[0] >= L'1' && s[0] <= L'5';
}

// A line break in a header would let page data forge headers of its own.
void checkHeaderText(const std::wstring& text) {
    if (text.find_first_of(L"\r\n") != std::wstring::npos || text.find(L'\0') != std::wstring::npos) {
        throw ScriptException{E_INVALIDARG, L"Response object", L"A header value may not contain a line break."};
    }
}

}  // namespace

Response::Response(ResponseSink& sink, std::shared_ptr<const std::vector<std::wstring>> blocks)
    : DispatchObject(L"Response"), sink_(&sink), blocks_(std::move(blocks)) {
    member(kWrite, L"Write", [this](Call& c) { write(c.has(0) ? c.text(0) : std::wstring()); });
    member(kWriteBlock, L"WriteBlock", [this](Call& c) {
        kb::UniqueVariant index;
        kb::throwIfFailed(::VariantChangeType(index.get(), const_cast<VARIANT*>(&c.arg(0)), 0, VT_I4));
        long n = V_I4(index.get());
        if (!blocks_ || n < 0 || static_cast<size_t>(n) >= blocks_->size()) fail(L"No such block of the page.");
        write((*blocks_)[static_cast<size_t>(n)]);
    });
    member(kBuffer, L"Buffer", [this](Call& c) {
        if (!c.isPut()) return c.returnBool(buffering_);
        bool on = c.valueBool();
        if (on != buffering_ && headSent_) {
            fail(L"Buffering cannot be changed once output has been sent to the client.");
        }
        buffering_ = on;
        if (!on) flush();
    });
    member(kFlush, L"Flush", [this](Call&) {
        if (!buffering_) fail(L"Buffering Off: Buffering must be on for Flush.");
        flush();
    });
    member(kClear, L"Clear", [this](Call&) {
        if (!buffering_) fail(L"Buffering Off: Buffering must be on for Clear.");
        buffer_.clear();
    });
    member(kEnd, L"End", [this](Call&) {
        flush();
        ended_ = true;
        throw ScriptException{kPageEnded, L"Response object", L"The page ended."};
    });
    member(kContentType, L"ContentType", [this](Call& c) {
        if (!c.isPut()) return c.returnText(head_.contentType);
        requireHeadNotSent(L"ContentType");
        std::wstring type = c.valueText();
        checkHeaderText(type);
        head_.contentType = type;
    });
    member(kCharset, L"Charset", [this](Call& c) {
        if (!c.isPut()) return c.returnText(head_.charset);
        requireHeadNotSent(L"Charset");
        std::wstring charset = c.valueText();
        checkHeaderText(charset);
        head_.charset = charset;
    });
    member(kStatus, L"Status", [this](Call& c) {
        if (!c.isPut()) return c.returnText(head_.status);
        requireHeadNotSent(L"Status");
        std::wstring status = c.valueText();
        checkHeaderText(status);
        if (!validStatus(status)) fail(L"Invalid Status: the status must be a three-digit code and a reason.");
        head_.status = status;
    });
    member(kAddHeader, L"AddHeader", [this](Call& c) {
        requireHeadNotSent(L"AddHeader");
        std::wstring name = c.text(0);
        std::wstring value = c.text(1);
        checkHeaderText(name);
        checkHeaderText(value);
        if (name.empty() || name.find_first_of(L" :\t") != std::wstring::npos) fail(L"Invalid header name.");
        head_.headers.emplace_back(name, value);
    });
    member(kExpires, L"Expires", [this](Call& c) {
        if (!c.isPut()) return c.returnLong(0);
        requireHeadNotSent(L"Expires");
        head_.headers.emplace_back(L"Cache-Control", L"max-age=" + std::to_wstring(std::max(0L, std::wcstol(c.valueText().c_str(), nullptr, 10) * 60)));
    });
    member(kCacheControl, L"CacheControl", [this](Call& c) {
        if (!c.isPut()) return c.returnText(L"private");
        requireHeadNotSent(L"CacheControl");
        std::wstring value = c.valueText();
        checkHeaderText(value);
        head_.headers.emplace_back(L"Cache-Control", value);
    });
    member(kRedirect, L"Redirect", [this](Call& c) {
        requireHeadNotSent(L"Redirect");
        std::wstring url = c.text(0);
        checkHeaderText(url);
        buffer_.clear();
        head_.status = L"302 Object moved";
        head_.headers.emplace_back(L"Location", url);
        std::wstring body = L"<head><title>Object moved</title></head>\r\n<body><h1>Object Moved</h1>This object may be found <a HREF=\"" +
                            kb::htmlEscape(url) + L"\">here</a>.</body>\r\n";
        buffer_ = kb::toUtf8(body);
        flush();
        ended_ = true;
        throw ScriptException{kPageEnded, L"Response object", L"The page was redirected."};
    });
    member(kIsClientConnected, L"IsClientConnected", [this](Call& c) { c.returnBool(!finished_ && sink_->connected()); });
}

void Response::write(const std::wstring& text) {
    if (ended_ || finished_) return;
    buffer_ += kb::toUtf8(text);
    if (!buffering_) flush();
}

void Response::flush() {
    if (finished_) return;
    if (!headSent_) sendHead();
    if (!buffer_.empty()) {
        sink_->sendBody(buffer_);
        buffer_.clear();
    }
}

void Response::sendHead() {
    headSent_ = true;
    sink_->sendHead(head_);
}

void Response::reportError(const std::wstring& html) {
    if (finished_) return;
    if (!headSent_) head_.status = L"500 Internal Server Error";
    buffer_ += kb::toUtf8(html);
    ended_ = true;
}

void Response::finish() {
    if (finished_) return;
    if (!headSent_) {
        head_.contentLength = buffer_.size();
        sendHead();
    }
    if (!buffer_.empty()) sink_->sendBody(buffer_);
    buffer_.clear();
    ended_ = true;
    finished_ = true;
}

void Response::requireHeadNotSent(const wchar_t* what) const {
    if (headSent_) {
        fail(std::wstring(L"Header Error: the HTTP headers are already written to the client browser; ") + what +
             L" must be set before page content is sent.");
    }
}


}  // namespace asphost
