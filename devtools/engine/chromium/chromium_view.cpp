#include "devtools/engine/chromium/chromium_view.h"

#include <cwchar>

using nlohmann::json;

namespace {

const UINT kSessionNewsMessage = WM_APP + 2;
// Chromium drops the frames that come while one waits for its acknowledgement and sends none once
// the page stands still, so the picture could stop short of an animation's end (a smooth scroll):
// once frames have paused this long, a new screencast brings the page as it now is.
const UINT_PTR kSettleTimerId = 1;
const UINT kSettleDelayMs = 300;
// JPEG keeps frames small and quick to decode; a solid colour still comes back within a unit or two.
const char kFrameFormat[] = "jpeg";
const int kFrameQuality = 90;

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
        view->session_ = std::make_unique<DevToolsSession>(endpoint, view->Window(), kSessionNewsMessage);
    } else {
        PostMessageW(view->Window(), kSessionNewsMessage, 0, 0);  // reports the failure from the loop
    }
    return view;
}

ChromiumView::~ChromiumView() {
    CloseOpenedTargets();
    session_.reset();  // the worker stops before anything it posts to goes
}

void ChromiumView::WhenReady(std::function<void(bool)> callback) {
    whenReady_ = std::move(callback);
}

std::wstring ChromiumView::Source() const {
    return FromUtf8(tracker_.Source());
}

HRESULT ChromiumView::BeginNavigate(const std::wstring& uri) {
    if (!HasScheme(uri)) return E_INVALIDARG;
    bool sent = Call("Page.navigate", json{{"url", ToUtf8(uri)}}, [this](const json& result, bool failed) {
        if (!failed) Raise(tracker_.OnNavigateAnswer(result));
    });
    return sent ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
}

HRESULT ChromiumView::BeginReload() {
    return Call("Page.reload", json::object()) ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
}

HRESULT ChromiumView::BeginHistoryMove(int step) {
    bool sent = Call("Page.getNavigationHistory", json::object(), [this, step](const json& result, bool failed) {
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
    Call("Page.navigateToHistoryEntry", json{{"entryId", entry.value("id", 0)}});
}

void ChromiumView::PlacePage(const RECT& bounds) {
    WebView::PlacePage(bounds);
    int width = bounds.right - bounds.left;
    int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) return;  // a minimised host keeps the page's last size
    viewportWidth_ = width;
    viewportHeight_ = height;
    ApplyViewport();  // before the connection is open, OnConnected applies it
}

// A page that looks the same at the new size sends no frame by itself; a new screencast starts with one.
void ChromiumView::ApplyViewport() {
    if (viewportWidth_ > 0 && viewportHeight_ > 0) {
        Call("Emulation.setDeviceMetricsOverride",
             json{{"width", viewportWidth_}, {"height", viewportHeight_}, {"deviceScaleFactor", 1}, {"mobile", false}});
    }
    RestartScreencast();
}

void ChromiumView::RestartScreencast() {
    Call("Page.stopScreencast", json::object());
    Call("Page.startScreencast", json{{"format", kFrameFormat}, {"quality", kFrameQuality}, {"everyNthFrame", 1}});
}

// The frame a restart brings arms nothing, or a page standing still would be restarted forever.
void ChromiumView::AwaitSettledFrame() {
    if (settlingFrame_) {
        settlingFrame_ = false;
        return;
    }
    SetTimer(Window(), kSettleTimerId, kSettleDelayMs, nullptr);
}

void ChromiumView::OnSettleTimer() {
    KillTimer(Window(), kSettleTimerId);
    settlingFrame_ = true;
    RestartScreencast();
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
        Paint();
        return true;
    case WM_TIMER:
        if (wParam != kSettleTimerId) return false;
        OnSettleTimer();
        return true;
    case WM_SETCURSOR:
        *result = TRUE;
        return SetPageCursor(lParam);
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
    if (in.message == WM_KEYDOWN && HandleEditingKey(in.wParam, in.modifiers)) return;
    if (in.message == WM_MOUSEMOVE) TrackCursor(point);
    for (const InputCommand& command : input_.Translate(in.message, in.wParam, point, in.modifiers)) {
        Call(command.method, command.params);
    }
}

void ChromiumView::TakeFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    WebView::TakeFocus(reason);
    if (reason != COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC) {
        tabGate_.FocusEnd(reason == COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS);
    }
}

void ChromiumView::Paint() {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(Window(), &ps);
    RECT client;
    GetClientRect(Window(), &client);
    PaintPageImage(hdc, client, image_.get());
    EndPaint(Window(), &ps);
}

// Handlers run from here may release the host's last reference or destroy the window.
void ChromiumView::OnNews() {
    EngineRef<ChromiumView> keepAlive(this);
    if (!session_) {
        FinishReady(false);
        return;
    }
    TakeFrame();
    for (DevToolsSession::News& news : session_->TakeNews()) {
        switch (news.kind) {
        case DevToolsSession::News::Kind::Connected:
            OnConnected();
            break;
        case DevToolsSession::News::Kind::Message:
            OnMessage(news.message);
            break;
        case DevToolsSession::News::Kind::Ended:
            OnEnded();
            break;
        }
        if (!session_) return;  // the window went meanwhile
    }
}

void ChromiumView::TakeFrame() {
    std::unique_ptr<PageImage> frame = session_->TakeFrame();
    if (!frame || !Window()) return;
    if (!Config().frameLogPath.empty()) {
        wchar_t line[64];
        swprintf(line, 64, L"frame %.1f %d %d", MillisecondsNow(), frame->Width(), frame->Height());
        AppendLine(Config().frameLogPath, line);
    }
    image_ = std::move(frame);
    InvalidateRect(Window(), nullptr, FALSE);
    AwaitSettledFrame();
}

// The events the navigations need, the page's size and its pictures; ready once the main frame is known.
void ChromiumView::OnConnected() {
    Call("Page.enable", json::object());
    Call("Network.enable", json::object());
    Call("Page.setLifecycleEventsEnabled", json{{"enabled", true}});
    Call("Emulation.setFocusEmulationEnabled", json{{"enabled", true}});
    Call("Inspector.enable", json::object());  // for Inspector.targetCrashed
    ApplyViewport();
    EnablePageFeatures();
    Call("Page.getFrameTree", json::object(), [this](const json& result, bool failed) {
        auto tree = result.find("frameTree");
        if (failed || tree == result.end() || !tree->contains("frame")) {
            FinishReady(false);
            return;
        }
        tracker_.SetMainFrame((*tree)["frame"]);
        pageReady_ = true;
        FinishReady(true);
    });
}

void ChromiumView::OnMessage(const json& message) {
    try {
        auto id = message.find("id");
        if (id != message.end()) {
            auto waiting = answers_.find(id->get<int>());
            if (waiting == answers_.end()) return;
            Answer answer = std::move(waiting->second);
            answers_.erase(waiting);
            auto error = message.find("error");
            answer(error != message.end() ? *error : message.value("result", json::object()), error != message.end());
            return;
        }
        if (message.value("method", "") == "Inspector.targetCrashed") {
            RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
            return;
        }
        auto params = message.find("params");
        if (params != message.end()) OnPageEvent(message.value("method", ""), *params);
        if (params != message.end()) Raise(tracker_.OnEvent(message.value("method", ""), *params));
    } catch (const json::exception&) {
        // A message of a shape we do not know changes nothing.
    }
}

// Chromium went away: no more answers come, and an open navigation ends as failed.
void ChromiumView::OnEnded() {
    const bool wasReady = pageReady_;
    answers_.clear();
    pageReady_ = false;
    FinishReady(false);
    Raise(tracker_.Abandon());
    // A connection that had served the page ends only when Chromium itself is gone.
    if (wasReady) RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
}

// The crashed page's picture goes; a reload brings new frames.
void ChromiumView::OnRendererGone() {
    image_.reset();
    if (Window()) InvalidateRect(Window(), nullptr, FALSE);
}

// Nothing more is sent or shown: the session ends (closing our page if Chromium still runs).
void ChromiumView::OnBrowserGone() {
    session_.reset();
    answers_.clear();
    pageReady_ = false;
    OnRendererGone();
}

void ChromiumView::FinishReady(bool ready) {
    if (!whenReady_) return;
    auto callback = std::move(whenReady_);
    whenReady_ = nullptr;
    callback(ready);
}

bool ChromiumView::Call(const std::string& method, const json& params, Answer answer) {
    if (!session_) return false;
    int id = session_->Send(method, params);
    if (id == 0) return false;
    if (answer) answers_[id] = std::move(answer);
    return true;
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
    CloseOpenedTargets();
    session_.reset();
    answers_.clear();
    pageReady_ = false;
    FinishReady(false);
}
