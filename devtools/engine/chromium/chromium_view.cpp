#include "devtools/engine/chromium/chromium_view.h"

#include <cwchar>

using nlohmann::json;

namespace {

const UINT kSessionNewsMessage = WM_APP + 2;

// Whether the text starts like an absolute URL ("scheme:"); the rest is Chromium's to judge.
bool HasScheme(const std::wstring& uri) {
    size_t colon = uri.find(L':');
    if (colon == std::wstring::npos || colon == 0) return false;
    for (size_t i = 0; i < colon; ++i) {
        wchar_t c = uri[i];
        bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
        bool other = i > 0 && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.');
        if (!letter && !other) return false;
    }
    return true;
}

double MillisecondsNow() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int KeyboardModifiers() {
    return ProtocolModifiers(GetKeyState(VK_MENU) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0);
}

}  // namespace

ChromiumView* ChromiumView::Create(ConfigPtr config, HWND parent) {
    auto* view = new ChromiumView(std::move(config));
    if (!view->CreateWindowIn(parent)) {
        delete view;
        return nullptr;
    }
    Endpoint endpoint;
    if (ParseEndpoint(ToUtf8(view->Config().chromiumEndpoint), &endpoint)) {
        view->connection_.Open(endpoint, view->Window(), kSessionNewsMessage);
    } else {
        PostMessageW(view->Window(), kSessionNewsMessage, 0, 0);  // reports the failure from the loop
    }
    return view;
}

ChromiumView::ChromiumView(ConfigPtr config) : WebView(std::move(config)) {
    RouteEvents();
}

ChromiumView::~ChromiumView() {
    EndSession();
}

// Every DevTools event the view acts on, each handed to the part that owns it.
void ChromiumView::RouteEvents() {
    for (const NavigationTracker::EventReader& reader : NavigationTracker::EventReaders()) {
        NavigationTracker::Reader read = reader.read;
        connection_.On(reader.method, [this, read](const json& params) { Raise(tracker_.Read(read, params)); });
    }
    connection_.On("Inspector.targetCrashed", [this](const json&) {
        RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
    });
    connection_.On("Page.javascriptDialogOpening", [this](const json& params) { OnDialogOpening(params); });
    connection_.On("Page.windowOpen", [this](const json& params) { OnWindowOpen(params); });
    connection_.On("Target.targetCreated", [this](const json& params) { openedPages_.OnTargetCreated(params); });
    connection_.On("Target.targetDestroyed", [this](const json& params) {
        if (openedPages_.OnTargetDestroyed(params)) OnOpenedPageClosed();
    });
    connection_.On("Page.screencastVisibilityChanged", [this](const json& params) {
        OnPageVisibility(params.value("visible", true));
    });
    connection_.On("Target.targetInfoChanged", [this](const json& params) { OnTargetInfoChanged(params); });
    connection_.On("Page.frameScheduledNavigation", [this](const json& params) {
        openedPages_.OnNavigationScheduled(params);
    });
    connection_.On("Page.frameClearedScheduledNavigation", [this](const json&) {
        openedPages_.OnScheduledNavigationCleared();
    });
    connection_.On("Runtime.bindingCalled", [this](const json& params) { OnBindingCalled(params); });
    connection_.On("Browser.downloadWillBegin", [this](const json& params) {
        LogLine(Config(), L"Download " + FromUtf8(JsonText(params, "url")) + L" denied");
    });
}

void ChromiumView::WhenReady(std::function<void(bool)> callback) {
    whenReady_ = std::move(callback);
}

std::wstring ChromiumView::Source() const {
    return FromUtf8(tracker_.Source());
}

// Runtime.evaluate waits for the page's own script, as the runtime's ExecuteScript does.
HRESULT ChromiumView::BeginScript(const std::wstring& script, ScriptAnswer answer) {
    const json evaluate = {{"expression", ToUtf8(script)}, {"returnByValue", true}};
    bool sent = connection_.Call("Runtime.evaluate", evaluate, [answer](const json& result, bool failed) {
        auto remote = result.find("result");
        if (failed || remote == result.end() || !remote->is_object()) {
            answer(E_FAIL, L"null");
            return;
        }
        answer(S_OK, FromUtf8(remote->value("value", json()).dump()));
    });
    return sent ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
}

HRESULT ChromiumView::BeginNavigate(const std::wstring& uri) {
    if (!HasScheme(uri)) return E_INVALIDARG;
    bool sent = connection_.Call("Page.navigate", json{{"url", ToUtf8(uri)}},
                                 [this](const json& result, bool failed) {
                                     if (!failed) Raise(tracker_.OnNavigateAnswer(result));
                                 });
    return sent ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
}

HRESULT ChromiumView::BeginReload() {
    return connection_.Call("Page.reload", json::object()) ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
}

HRESULT ChromiumView::BeginHistoryMove(int step) {
    bool sent = connection_.Call("Page.getNavigationHistory", json::object(),
                                 [this, step](const json& result, bool failed) {
                                     if (!failed) OnHistory(result, step);
                                 });
    return sent ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
}

// Past either end nothing happens; the blank page a new page starts from is no entry of the host's.
void ChromiumView::OnHistory(const json& history, int step) {
    auto entries = history.find("entries");
    if (entries == history.end() || !entries->is_array()) return;
    int target = history.value("currentIndex", -1) + step;
    if (target < 0 || target >= static_cast<int>(entries->size())) return;
    const json& entry = (*entries)[static_cast<size_t>(target)];
    if (target == 0 && entry.value("url", "") == "about:blank") return;
    connection_.Call("Page.navigateToHistoryEntry", json{{"entryId", entry.value("id", 0)}});
}

void ChromiumView::PlacePage(const RECT& bounds) {
    WebView::PlacePage(bounds);
    int width = bounds.right - bounds.left;
    int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) return;  // a minimised host keeps the page's last size
    screencast_.Resize(width, height);  // before the connection is open, OnConnected applies it
}

bool ChromiumView::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    switch (message) {
    case kSessionNewsMessage:
        OnNews();
        return true;
    case WM_ERASEBKGND:
        *result = 1;  // WM_PAINT covers the whole window
        return true;
    case WM_PAINT:
        screencast_.Paint(Window());
        return true;
    case WM_TIMER:
        if (wParam == kProbeTimerId) {
            ProbePage();
            return true;
        }
        return screencast_.OnTimer(Window(), wParam);
    case WM_SETCURSOR:
        *result = TRUE;
        return cursor_.Set(lParam);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetFocus(Window());  // the page takes the keyboard when clicked
        SetCapture(Window());  // and sees the button go up, even outside
        ForwardInput(message, wParam, lParam);
        return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        ForwardInput(message, wParam, lParam);
        if (GetCapture() == Window() && !(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) ReleaseCapture();
        return true;
    case WM_SETFOCUS:
        OnFocusChanged(true);
        return false;
    case WM_KILLFOCUS:
        OnFocusChanged(false);
        return false;
    case WM_MOUSELEAVE:
        OnPointerLeft();
        return true;
    case WM_MOUSEMOVE:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        ForwardInput(message, wParam, lParam);
        return true;
    }
    return false;
}

// The modifiers are read as the message comes: a Tab may hold the input behind it for a while.
void ChromiumView::ForwardInput(UINT message, WPARAM wParam, LPARAM lParam) {
    if (pageReady_) tabGate_.Pass(TabGate::Input{message, wParam, lParam, KeyboardModifiers()});
}

void ChromiumView::DeliverInput(const TabGate::Input& in) {
    POINT point = {static_cast<short>(LOWORD(in.lParam)), static_cast<short>(HIWORD(in.lParam))};
    if (in.message == WM_MOUSEWHEEL || in.message == WM_MOUSEHWHEEL) ScreenToClient(Window(), &point);
    if (!pageReady_) return;
    const bool key = in.message == WM_KEYDOWN || in.message == WM_KEYUP;
    if (key && HandleBrowserKey(in.message, in.wParam, in.modifiers)) return;
    if (HandleZoomWheel(in.message, in.wParam)) return;
    if (in.message == WM_KEYDOWN && HandleEditingKey(in.wParam, in.modifiers)) return;
    if (in.message == WM_MOUSEMOVE) TrackPointer(point);
    for (const InputCommand& command : input_.Translate(in.message, in.wParam, point, in.modifiers)) {
        connection_.Call(command.method, command.params);
    }
}

void ChromiumView::TakeFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    WebView::TakeFocus(reason);
    if (reason != COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC) {
        tabGate_.FocusEnd(reason == COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS);
    }
}

// Handlers run from here may release the host's last reference or destroy the window.
void ChromiumView::OnNews() {
    EngineRef<ChromiumView> keepAlive(this);
    if (!connection_.IsOpen()) {
        FinishReady(false);
        return;
    }
    TakeFrame();
    for (DevToolsSession::News& news : connection_.TakeNews()) {
        switch (news.kind) {
        case DevToolsSession::News::Kind::Connected:
            OnConnected();
            break;
        case DevToolsSession::News::Kind::Message:
            connection_.Dispatch(news.message);
            break;
        case DevToolsSession::News::Kind::Ended:
            OnEnded();
            break;
        }
        if (!connection_.IsOpen()) return;  // the session ended meanwhile
    }
}

void ChromiumView::TakeFrame() {
    std::unique_ptr<PageImage> frame = connection_.TakeFrame();
    if (!frame || !Window()) return;
    if (!Config().frameLogPath.empty()) {
        wchar_t line[64];
        swprintf(line, 64, L"frame %.1f %d %d", MillisecondsNow(), frame->Width(), frame->Height());
        AppendLine(Config().frameLogPath, line);
    }
    screencast_.Show(Window(), std::move(frame));
}

// The events the navigations need, the page's size and its pictures; ready once the main frame is known.
void ChromiumView::OnConnected() {
    connection_.Call("Page.enable", json::object());
    connection_.Call("Network.enable", json::object());
    connection_.Call("Page.setLifecycleEventsEnabled", json{{"enabled", true}});
    OnFocusChanged(GetFocus() == Window());
    connection_.Call("Inspector.enable", json::object());  // for Inspector.targetCrashed
    screencast_.Start();
    EnablePageFeatures();
    connection_.Call("Page.getFrameTree", json::object(), [this](const json& result, bool failed) {
        auto tree = result.find("frameTree");
        if (failed || tree == result.end() || !tree->contains("frame")) {
            FinishReady(false);
            return;
        }
        pageReady_ = true;
        if (Window()) SetTimer(Window(), kProbeTimerId, kProbeEveryMs, nullptr);
        if (adoptedUrl_.empty()) {
            tracker_.SetMainFrame((*tree)["frame"]);
            FinishReady(true);
            return;
        }
        Raise(tracker_.AdoptPage((*tree)["frame"], adoptedUrl_));
        adoptedUrl_.clear();
        const json ask = {{"expression", "document.readyState"}, {"returnByValue", true}};
        connection_.Call("Runtime.evaluate", ask, [this](const json& state, bool stateFailed) {
            std::string text;
            if (!stateFailed && EvaluatedText(state, &text) && text == "complete") Raise(tracker_.OnDocumentComplete());
        });
    });
}

// Chromium went away: no more answers come. As in the runtime, whose dead browser process completes
// nothing, an open navigation ends without an event: the host hears ProcessFailed alone.
void ChromiumView::OnEnded() {
    const bool wasReady = pageReady_;
    const bool adopting = !adoptedUrl_.empty();
    EndSession();
    tracker_.Abandon();
    // A connection that had served the page ends only when Chromium itself is gone. A new window's
    // page that went before it could be taken over closed itself.
    if (wasReady) RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
    if (adopting) {
        adoptedUrl_.clear();
        RaiseWindowCloseRequested();
    }
}

void ChromiumView::OnRendererGone() {
    screencast_.Clear(Window());
}

void ChromiumView::OnBrowserGone() {
    EndSession();
    OnRendererGone();
}

// How the page's session ends, whether Chromium went, its process died or the window went: nothing more
// is sent or answered, the pages opened by ours are closed, then ours (if Chromium still runs), and
// whoever waits for the page hears that it will not come.
void ChromiumView::EndSession() {
    if (Window()) KillTimer(Window(), kProbeTimerId);
    SetUnresponsive(false);
    openedPages_.CloseAll(ToUtf8(Config().chromiumEndpoint));
    awaitingPages_.clear();
    connection_.Close();
    pageReady_ = false;
    FinishReady(false);
}

// The view's own blank page goes; the new window's page, with its opener, is driven from now on.
void ChromiumView::ShowNewWindowPage(const std::string& targetId, const std::string& url, bool hasOpener) {
    if (IsDead() || !Window()) return;
    openedAsNewWindow_ = true;
    if (!hasOpener) {
        BeginNavigate(FromUtf8(url));
        return;
    }
    EngineRef<ChromiumView> keepAlive(this);
    EndSession();
    tracker_ = NavigationTracker();
    adoptedUrl_ = url.empty() ? std::string("about:blank") : url;
    Endpoint endpoint;
    if (ParseEndpoint(ToUtf8(Config().chromiumEndpoint), &endpoint)) {
        connection_.Open(endpoint, Window(), kSessionNewsMessage, targetId);
    }
}

void ChromiumView::FinishReady(bool ready) {
    if (!whenReady_) return;
    auto callback = std::move(whenReady_);
    whenReady_ = nullptr;
    callback(ready);
}

void ChromiumView::Raise(const std::vector<NavigationEvent>& events) {
    for (const NavigationEvent& event : events) {
        if (event.kind == NavigationEvent::Kind::Starting) {
            RaiseStarting(FromUtf8(event.url), event.id);
        } else if (event.kind == NavigationEvent::Kind::SourceChanged) {
            RaiseSourceChanged(event.newDocument);
        } else {
            RaiseCompleted(event.success, event.status, event.id);
        }
    }
}

void ChromiumView::OnWindowDestroyed() {
    EngineRef<ChromiumView> keepAlive(this);
    WebView::OnWindowDestroyed();
    EndSession();
}
