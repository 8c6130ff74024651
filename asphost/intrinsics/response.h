// The Response object: buffering, headers and the page's output, with IIS's
// rules about what may still change once output has gone to the client.
#pragma once

#include "intrinsics/dispatch_object.h"
#include "web/response_sink.h"

#include <memory>
#include <string>
#include <vector>

namespace asphost {

// The error code that Response.End raises to stop the script; the host
// knows it and reports nothing.
inline constexpr HRESULT kPageEnded = static_cast<HRESULT>(0x800A7FFF);

class Response final : public DispatchObject {
public:
    // blocks: the page's literal HTML, written by number.
    Response(ResponseSink& sink, std::shared_ptr<const std::vector<std::wstring>> blocks);

    void write(const std::wstring& text);
    void setCookie(const std::wstring& header) { head_.headers.emplace_back(L"Set-Cookie", header); }
    // Adds an error report to the page, as IIS does, whatever the page's state.
    void reportError(const std::wstring& html);
    // Sends what is left; afterwards the object writes nothing more.
    void finish();
    bool ended() const { return ended_; }

private:
    void flush();
    void requireHeadNotSent(const wchar_t* what) const;
    void sendHead();

    ResponseSink* sink_;
    std::shared_ptr<const std::vector<std::wstring>> blocks_;
    ResponseHead head_;
    std::string buffer_;
    bool buffering_ = true;
    bool headSent_ = false;
    bool ended_ = false;
    bool finished_ = false;
};

}  // namespace asphost
