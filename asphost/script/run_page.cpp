#include "script/run_page.h"

#include "common/errors.h"
#include "common/handles.h"
#include "common/text.h"
#include "config/folder_settings.h"
#include "intrinsics/page_deadline.h"
#include "intrinsics/page_objects.h"
#include "intrinsics/response.h"
#include "intrinsics/server.h"
#include "page/script_builder.h"
#include "paths/virtual_path.h"
#include "script/script_site.h"
#include "web/http_message.h"
#include "web/url_encoding.h"

namespace asphost {

using kb::ComPtr;

namespace {

// Pages are read as UTF-8 when they are valid UTF-8 (with or without a
// byte-order mark), else in the system's ANSI code page as IIS reads them.
std::wstring decodePage(const std::string& bytes) {
    std::string_view text(bytes);
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (text.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n > 0) return fromUtf8(text);
    return kb::fromAnsi(text);
}

class SiteFiles final : public SourceFiles {
public:
    explicit SiteFiles(std::wstring root) : root_(std::move(root)) {}

    std::wstring read(const std::wstring& virtualPath) override {
        std::wstring path = physicalPath(root_, virtualPath);
        kb::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (64 << 20)) {
            throw PageError({virtualPath, 0}, L"The file '" + virtualPath + L"' cannot be read.");
        }
        std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                               got != bytes.size())) {
            throw PageError({virtualPath, 0}, L"The file '" + virtualPath + L"' cannot be read.");
        }
        return decodePage(bytes);
    }

private:
    std::wstring root_;
};

NameValues pageVariables(const SiteState& site, const PageRequest& request) {
    const RequestData& d = request.data;
    NameValues v = {
        {L"REQUEST_METHOD", d.method},
        {L"QUERY_STRING", fromUtf8(d.rawQuery)},
        {L"SCRIPT_NAME", request.pagePath},
        {L"PATH_INFO", request.pagePath},
        {L"URL", request.pagePath},
        {L"PATH_TRANSLATED", physicalPath(site.root, request.pagePath)},
        {L"APPL_PHYSICAL_PATH", site.root + L"\\"},
        {L"APPL_MD_PATH", L"/LM/W3SVC/1/ROOT"},
        {L"CONTENT_LENGTH", std::to_wstring(d.body.size())},
        {L"CONTENT_TYPE", fromUtf8(d.contentType)},
        {L"HTTPS", L"off"},
        {L"SERVER_SOFTWARE", L"asphost"},
        {L"GATEWAY_INTERFACE", L"CGI/1.1"},
    };
    v.insert(v.end(), d.serverVariables.begin(), d.serverVariables.end());
    return v;
}

std::wstring errorHtml(const PageFailure& failure) {
    return L"\r\n<p style=\"font-family:Arial;font-size:small\">" + kb::htmlEscape(failure.message) + L"<br>\r\n" +
           kb::htmlEscape(failure.pos.file) + L", line " + std::to_wstring(failure.pos.line) + L"</p>\r\n";
}

// Interrupts the engine once the page's time limit has passed, checking
// twice a second, for a script that calls no intrinsic object any more.
class ScriptInterrupter {
public:
    ScriptInterrupter(IActiveScript* engine, const PageDeadline& deadline) : engine_(engine), deadline_(deadline) {
        ::CreateTimerQueueTimer(&timer_, nullptr, &ScriptInterrupter::tick, this, 500, 500, WT_EXECUTEDEFAULT);
    }
    ~ScriptInterrupter() { stop(); }
    ScriptInterrupter(const ScriptInterrupter&) = delete;
    ScriptInterrupter& operator=(const ScriptInterrupter&) = delete;

    // Waits for a tick under way, so that the engine is never touched after.
    void stop() {
        if (timer_) ::DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
        timer_ = nullptr;
    }

private:
    static void CALLBACK tick(void* self, BOOLEAN) {
        auto* me = static_cast<ScriptInterrupter*>(self);
        uint64_t deadline = me->deadline_.load();
        if (deadline == 0 || ::GetTickCount64() <= deadline || me->interrupted_) return;
        EXCEPINFO info{};
        me->interrupted_ = SUCCEEDED(me->engine_->InterruptScriptThread(SCRIPTTHREADID_ALL, &info, 0));
    }

    IActiveScript* engine_;
    const PageDeadline& deadline_;
    HANDLE timer_ = nullptr;
    bool interrupted_ = false;
};

// Runs the script; returns its first error, if any.
std::optional<ScriptError> execute(const PageScript& script, IDispatch* globals, Response& response) {
    CLSID clsid;
    kb::throwIfFailed(::CLSIDFromProgID(script.language == Language::VBScript ? L"VBScript" : L"JScript", &clsid));
    // The site outlives the engine, which holds it until it is released.
    ScriptSite site(script, [&response](HRESULT code) { return code == kPageEnded || response.ended(); });
    ComPtr<IActiveScript> engine;
    kb::throwIfFailed(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript), engine.putVoid()));
    ComPtr<IActiveScriptParse> parse;
    kb::throwIfFailed(engine->QueryInterface(__uuidof(IActiveScriptParse), parse.putVoid()));
    kb::throwIfFailed(parse->InitNew());
    site.addItem(L"Page", globals);
    kb::throwIfFailed(engine->SetScriptSite(&site));
    kb::throwIfFailed(engine->AddNamedItem(L"Page", SCRIPTITEM_ISVISIBLE | SCRIPTITEM_GLOBALMEMBERS));
    kb::throwIfFailed(engine->SetScriptState(SCRIPTSTATE_STARTED));

    // A script that calls no intrinsic object after its time is up is
    // stopped by the engine, where the engine can interrupt a script.
    ScriptInterrupter interrupter(engine.get(), *pageDeadline());
    kb::UniqueExcepInfo info;
    HRESULT hr = parse->ParseScriptText(script.text.c_str(), nullptr, nullptr, nullptr, 0, 0, SCRIPTTEXT_ISVISIBLE,
                                        nullptr, info.put());
    interrupter.stop();
    engine->Close();
    engine.reset();
    parse.reset();
    site.releaseItems();

    if (SUCCEEDED(hr) || hr == kPageEnded || response.ended()) return std::nullopt;
    std::optional<ScriptError> error = site.lastError();
    if (!error) {
        error = ScriptError{positionOf(script, 0), L"The script engine failed the page with error '" + hresultText(hr) + L"'."};
    }
    return error;
}

// Answers for a page that its folder's settings do not let run, before a
// line of it is read.
PageFailure refusePage(ResponseSink& sink, const std::wstring& pagePath, bool settingsRead) {
    const wchar_t* status = settingsRead ? L"403 Forbidden" : L"500 Internal Server Error";
    std::wstring message =
        settingsRead ? L"This folder runs no scripts: its web.config grants its handlers no Script access."
                     : kUnreadableSettings;
    std::string body = simplePage(status, message);
    ResponseHead head;
    head.status = status;
    head.contentLength = body.size();
    sink.sendHead(head);
    sink.sendBody(body);
    return PageFailure{{pagePath, 0}, message};
}

}  // namespace

std::wstring describe(const PageFailure& failure) {
    return failure.pos.file + L"(" + std::to_wstring(failure.pos.line) + L"): " + failure.message;
}

std::optional<PageFailure> runPage(SiteState& site, const PageRequest& request, ResponseSink& sink) {
    std::optional<FolderConfig> settings = folderSettings(site.root, request.pagePath);
    if (!settings || !settings->runsPages) return refusePage(sink, request.pagePath, settings.has_value());

    std::optional<PageFailure> failure;
    PageScript script;
    try {
        SiteFiles files(site.root);
        script = buildScript(parsePage(request.pagePath, files));
    } catch (const PageError& e) {
        failure = PageFailure{e.pos, e.message};
    }

    auto environment = std::make_shared<PageEnvironment>();
    environment->started = ::GetTickCount64();
    PageDeadline deadline{environment->started + static_cast<uint64_t>(kDefaultScriptTimeout) * 1000};
    watchPageDeadline(&deadline);
    struct Unwatch {
        ~Unwatch() { watchPageDeadline(nullptr); }
    } unwatch;
    environment->root = site.root;
    environment->pagePath = request.pagePath;
    auto blocks = std::make_shared<const std::vector<std::wstring>>(std::move(script.blocks));
    ComPtr<Response> response = make<Response>(sink, blocks);

    if (!failure) {
        SessionStore::Session session = site.sessions.find(request.sessionCookie);
        if (session.isNew) response->setCookie(std::wstring(kSessionCookie) + L"=" + session.id + L"; path=/; HttpOnly");

        RequestData data = request.data;
        data.serverVariables = pageVariables(site, request);
        ComPtr<Request> requestObject = make<Request>(data);
        ComPtr<Server> server = make<Server>(environment);
        SessionStore* sessions = &site.sessions;
        ComPtr<SessionObject> sessionObject =
            make<SessionObject>(session.values, session.id, [sessions, id = session.id] { sessions->abandon(id); });
        ComPtr<ApplicationObject> application = make<ApplicationObject>(site.application, site.applicationLock);
        ComPtr<ScriptingContext> context =
            make<ScriptingContext>(requestObject.get(), response.get(), server.get(), sessionObject.get(), application.get());
        environment->context = context.get();

        try {
            ComPtr<PageGlobals> globals = make<PageGlobals>(std::vector<std::pair<const wchar_t*, IDispatch*>>{
                {L"Response", response.get()},
                {L"Request", requestObject.get()},
                {L"Server", server.get()},
                {L"Session", sessionObject.get()},
                {L"Application", application.get()}});
            std::optional<ScriptError> error = execute(script, globals.get(), *response.get());
            if (error) failure = PageFailure{error->pos, error->message};
        } catch (const kb::HResultError& e) {
            failure.emplace();
            failure->pos = SourcePos{request.pagePath, 1};
            failure->message = L"The script engine cannot be started: error '" + hresultText(e.code()) + L"'.";
        }
        endPageObjects(*environment);
        application->releaseLocks();
        environment->context = nullptr;
    }

    if (failure) response->reportError(errorHtml(*failure));
    response->finish();
    return failure;
}

}  // namespace asphost
