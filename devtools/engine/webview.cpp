// What both back-ends share: the calls' log lines, the event handlers and the event arguments.
#include "devtools/engine/chromium/browser_keys.h"
#include "devtools/engine/event_args.h"
#include "devtools/engine/objects.h"

#include <algorithm>
#include <cmath>

namespace {

// How often a page that does not answer is reported again.
constexpr UINT kUnresponsiveReportMs = 3000;

// Every view alive, so that a pointer the host hands back can be recognised as ours.
std::vector<WebView*>& LiveViews() {
    static std::vector<WebView*> views;
    return views;
}

}  // namespace

WebView::WebView(ConfigPtr config) : EngineObject(std::move(config), L"webview") {
    LiveViews().push_back(this);
}

WebView::~WebView() {
    LiveViews().erase(std::remove(LiveViews().begin(), LiveViews().end(), this), LiveViews().end());
    ClosePopups();
    DestroyPageWindow(window_);
}

WebView* WebView::Known(ICoreWebView2* view) {
    for (WebView* live : LiveViews()) {
        if (static_cast<ICoreWebView2*>(live) == view) return live;
    }
    return nullptr;
}

bool WebView::CreateWindowIn(HWND parent) {
    window_ = CreatePageWindow(parent, this);
    return window_ != nullptr;
}

void WebView::ShowPage(bool visible) {
    if (window_) ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

// An inverted rectangle shows as an empty window at its left-top corner.
void WebView::PlacePage(const RECT& bounds) {
    int width = bounds.right > bounds.left ? bounds.right - bounds.left : 0;
    int height = bounds.bottom > bounds.top ? bounds.bottom - bounds.top : 0;
    if (window_) SetWindowPos(window_, nullptr, bounds.left, bounds.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WebView::TakeFocus(COREWEBVIEW2_MOVE_FOCUS_REASON) {
    if (window_) SetFocus(window_);
}

// The runtime raises no event for the host's own factor, unless it had to bring it into range.
void WebView::SetHostZoomFactor(double factor, bool normalized) {
    defaultZoom_ = factor;
    ShowZoom(factor, normalized);
}

void WebView::ShowZoom(double factor, bool raiseEvent) {
    if (std::fabs(factor - zoomFactor_) < 0.001) return;
    LogLine(Config(), L"ZoomFactor " + ZoomText(factor));
    zoomFactor_ = factor;
    ApplyZoom(factor);
    if (raiseEvent && keyController_) keyController_->RaiseZoomFactorChanged();
}

bool WebView::OfferFocusToHost(bool backwards) {
    if (!keyController_) return false;
    return keyController_->RaiseMoveFocusRequested(backwards ? COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS
                                                             : COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT);
}

HRESULT WebView::get_Source(LPWSTR* uri) {
    if (!uri) return E_POINTER;
    if (dead_) return kBrowserProcessGone;
    std::wstring source = Source();
    LogLine(Config(), L"get_Source " + source);
    *uri = CopyToTaskMemory(source);
    return *uri ? S_OK : E_OUTOFMEMORY;
}

HRESULT WebView::Navigate(LPCWSTR uri) {
    if (!uri) return E_POINTER;
    if (dead_) return kBrowserProcessGone;
    LogLine(Config(), std::wstring(L"Navigate ") + uri);
    if (!window_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    navigated_ = true;
    return BeginNavigate(uri);
}

HRESULT WebView::Reload() {
    if (dead_) return kBrowserProcessGone;
    LogLine(Config(), L"Reload");
    if (!window_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    return BeginReload();
}

HRESULT WebView::GoBack() {
    if (dead_) return kBrowserProcessGone;
    LogLine(Config(), L"GoBack");
    if (!window_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    return BeginHistoryMove(-1);
}

HRESULT WebView::GoForward() {
    if (dead_) return kBrowserProcessGone;
    LogLine(Config(), L"GoForward");
    if (!window_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    return BeginHistoryMove(+1);
}

HRESULT WebView::add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                        EventRegistrationToken* token) {
    return startingHandlers_.Add(dead_, handler, token);
}

HRESULT WebView::remove_NavigationStarting(EventRegistrationToken token) {
    return startingHandlers_.Remove(token);
}

HRESULT WebView::add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                         EventRegistrationToken* token) {
    return completedHandlers_.Add(dead_, handler, token);
}

HRESULT WebView::remove_NavigationCompleted(EventRegistrationToken token) {
    return completedHandlers_.Remove(token);
}

HRESULT WebView::add_SourceChanged(ICoreWebView2SourceChangedEventHandler* handler, EventRegistrationToken* token) {
    return sourceChangedHandlers_.Add(dead_, handler, token);
}

HRESULT WebView::remove_SourceChanged(EventRegistrationToken token) {
    return sourceChangedHandlers_.Remove(token);
}

HRESULT WebView::add_ContainsFullScreenElementChanged(
    ICoreWebView2ContainsFullScreenElementChangedEventHandler* handler, EventRegistrationToken* token) {
    return fullScreenHandlers_.Add(dead_, handler, token);
}

HRESULT WebView::remove_ContainsFullScreenElementChanged(EventRegistrationToken token) {
    return fullScreenHandlers_.Remove(token);
}

HRESULT WebView::get_ContainsFullScreenElement(BOOL* contains) {
    if (!contains) return E_POINTER;
    if (dead_) return kBrowserProcessGone;
    *contains = containsFullScreen_;
    return S_OK;
}

// The event carries no arguments: the host asks get_ContainsFullScreenElement.
void WebView::SetContainsFullScreenElement(bool contains) {
    if (dead_ || contains == containsFullScreen_) return;
    containsFullScreen_ = contains;
    LogLine(Config(), std::wstring(L"ContainsFullScreenElementChanged ") + (contains ? L"1" : L"0"));
    fullScreenHandlers_.Invoke(this, static_cast<IUnknown*>(nullptr));
}

HRESULT WebView::add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler, EventRegistrationToken* token) {
    return processFailedHandlers_.Add(dead_, handler, token);
}

HRESULT WebView::remove_ProcessFailed(EventRegistrationToken token) {
    return processFailedHandlers_.Remove(token);
}

// The host usually lets go of everything from its handler, so the view keeps itself alive meanwhile.
void WebView::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
    if (dead_) return;
    EngineRef<WebView> keepAlive(this);
    RaisingEvent raising(this);
    LogLine(Config(), L"ProcessFailed " + std::to_wstring(static_cast<int>(kind)));
    // The page's dialogs go with its renderer; a page that does not answer keeps its own.
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED ||
        kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED) {
        AnswerOpenDialogsNo();
        SetUnresponsive(false);
    }
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) {
        dead_ = true;
        NoteBrowserProcessExit();
        OnBrowserGone();
    } else if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED) {
        OnRendererGone();  // a subframe's renderer takes only its frame: the page stays
    }
    ComHolder<ProcessFailedArgs<EventArgs>> args(new ProcessFailedArgs<EventArgs>(kind));
    processFailedHandlers_.Invoke(this, args.Get());
}

// The runtime says "every few seconds"; the first report comes as the page is found not answering.
void WebView::SetUnresponsive(bool unresponsive) {
    if (unresponsive == unresponsive_) return;
    unresponsive_ = unresponsive;
    if (!unresponsive) {
        if (window_) KillTimer(window_, kUnresponsiveTimerId);
        OnAnsweringAgain();
        return;
    }
    if (window_) SetTimer(window_, kUnresponsiveTimerId, kUnresponsiveReportMs, nullptr);
    RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE);
}

void WebView::OnUnresponsiveTimer() {
    if (unresponsive_) RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE);
}

HRESULT WebView::ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler* handler) {
    if (!script) return E_POINTER;
    if (dead_) return kBrowserProcessGone;
    LogLine(Config(), std::wstring(L"ExecuteScript ") + script);
    if (!window_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    ComHolder<ICoreWebView2ExecuteScriptCompletedHandler> held(handler);
    ConfigPtr config = SharedConfig();
    return BeginScript(script, [held, config](HRESULT result, const std::wstring& json) {
        LogLine(*config, L"ExecuteScriptCompleted " + json);
        if (held) held->Invoke(result, json.c_str());
    });
}

// A closed view shows nothing and raises nothing more; the host's handlers go back to it.
void WebView::CloseView() {
    EngineRef<WebView> keepAlive(this);
    dead_ = true;
    unresponsive_ = false;
    startingHandlers_.ReleaseAll();
    completedHandlers_.ReleaseAll();
    sourceChangedHandlers_.ReleaseAll();
    processFailedHandlers_.ReleaseAll();
    fullScreenHandlers_.ReleaseAll();
    dialogHandlers_.ReleaseAll();
    newWindowHandlers_.ReleaseAll();
    titleHandlers_.ReleaseAll();
    closeRequestHandlers_.ReleaseAll();
    AnswerOpenDialogsNo();
    ClosePopups();
    if (window_ && IsWindow(window_)) DestroyWindow(window_);  // the page window tells the back-end
}

void WebView::RaiseStarting(const std::wstring& url, UINT64 navigationId) {
    EngineRef<WebView> keepAlive(this);  // the host may let go of the view inside its handler
    RaisingEvent raising(this);
    AnswerOpenDialogsNo();  // the page that asked is on its way out
    LogLine(Config(), L"NavigationStarting " + url);
    ComHolder<NavigationStartingArgs<EventArgs>> args(new NavigationStartingArgs<EventArgs>(url, navigationId));
    startingHandlers_.Invoke(this, args.Get());
}

void WebView::RaiseSourceChanged(bool newDocument) {
    EngineRef<WebView> keepAlive(this);
    RaisingEvent raising(this);
    LogLine(Config(), std::wstring(L"SourceChanged ") + (newDocument ? L"1 " : L"0 ") + Source());
    ComHolder<SourceChangedArgs<EventArgs>> args(new SourceChangedArgs<EventArgs>(newDocument));
    sourceChangedHandlers_.Invoke(this, args.Get());
    // The element that was full screen went with its document; the person's zoom was its alone.
    if (newDocument) SetContainsFullScreenElement(false);
    if (newDocument) ZoomToDefault();
}

void WebView::RaiseCompleted(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, UINT64 navigationId) {
    EngineRef<WebView> keepAlive(this);  // the host may let go of the view inside its handler
    RaisingEvent raising(this);
    LogLine(Config(), L"NavigationCompleted " + Source());
    ComHolder<NavigationCompletedArgs<EventArgs>> args(
        new NavigationCompletedArgs<EventArgs>(success, status, navigationId));
    completedHandlers_.Invoke(this, args.Get());
}

HRESULT WebView::add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* handler,
                                          EventRegistrationToken* token) {
    return titleHandlers_.Add(dead_, handler, token);
}

HRESULT WebView::remove_DocumentTitleChanged(EventRegistrationToken token) {
    return titleHandlers_.Remove(token);
}

HRESULT WebView::get_DocumentTitle(LPWSTR* title) {
    if (!title) return E_POINTER;
    if (dead_) return kBrowserProcessGone;
    *title = CopyToTaskMemory(title_);
    return *title ? S_OK : E_OUTOFMEMORY;
}

// The event carries no arguments: the host asks get_DocumentTitle.
void WebView::SetDocumentTitle(const std::wstring& title) {
    if (dead_ || title == title_) return;
    title_ = title;
    EngineRef<WebView> keepAlive(this);
    RaisingEvent raising(this);
    LogLine(Config(), L"DocumentTitleChanged " + title);
    titleHandlers_.Invoke(this, static_cast<IUnknown*>(nullptr));
}

HRESULT WebView::add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* handler,
                                          EventRegistrationToken* token) {
    return closeRequestHandlers_.Add(dead_, handler, token);
}

HRESULT WebView::remove_WindowCloseRequested(EventRegistrationToken token) {
    return closeRequestHandlers_.Remove(token);
}

// The page stays until the host closes the view, as the runtime leaves that to the host.
void WebView::RaiseWindowCloseRequested() {
    if (dead_) return;
    EngineRef<WebView> keepAlive(this);
    RaisingEvent raising(this);
    LogLine(Config(), L"WindowCloseRequested");
    closeRequestHandlers_.Invoke(this, static_cast<IUnknown*>(nullptr));
}
