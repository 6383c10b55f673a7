// The web view: a queue of navigations, each announced on the message loop after the call that
// made it, held open for the configured delay, then completed; and the history they leave.
#include "devtools/engine/objects.h"
#include "devtools/engine/url.h"

namespace {

// Event arguments start with no reference; the engine's holder takes the first one.
template <class Interface>
class EventArgs : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return AnswerQuery<Interface>(this, riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    virtual ~EventArgs() = default;

private:
    LONG refs_ = 0;
};

class StartingArgs final : public EventArgs<ICoreWebView2NavigationStartingEventArgs> {
public:
    StartingArgs(std::wstring uri, UINT64 id) : uri_(std::move(uri)), id_(id) {}

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        if (!uri) return E_POINTER;
        *uri = CopyToTaskMemory(uri_);
        return *uri ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override {
        if (!id) return E_POINTER;
        *id = id_;
        return S_OK;
    }

private:
    std::wstring uri_;
    UINT64 id_;
};

class CompletedArgs final : public EventArgs<ICoreWebView2NavigationCompletedEventArgs> {
public:
    CompletedArgs(bool success, UINT64 id) : success_(success), id_(id) {}

    HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* isSuccess) override {
        if (!isSuccess) return E_POINTER;
        *isSuccess = success_ ? TRUE : FALSE;
        return S_OK;
    }
    // The only way a navigation fails here is by being cancelled.
    HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* status) override {
        if (!status) return E_POINTER;
        *status = success_ ? COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN : COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override {
        if (!id) return E_POINTER;
        *id = id_;
        return S_OK;
    }

private:
    bool success_;
    UINT64 id_;
};

}  // namespace

WebView* WebView::Create(ConfigPtr config, HWND parent) {
    auto* view = new WebView(std::move(config));
    view->window_ = CreatePageWindow(parent, view);
    if (!view->window_) {
        delete view;
        return nullptr;
    }
    return view;
}

WebView::~WebView() {
    DestroyPageWindow(window_);
}

std::wstring WebView::Source() const {
    return HasPage() ? history_[static_cast<size_t>(historyIndex_)] : L"about:blank";
}

HRESULT WebView::get_Source(LPWSTR* uri) {
    if (!uri) return E_POINTER;
    std::wstring source = Source();
    LogLine(Config(), L"get_Source " + source);
    *uri = CopyToTaskMemory(source);
    return *uri ? S_OK : E_OUTOFMEMORY;
}

HRESULT WebView::Navigate(LPCWSTR uri) {
    if (!uri) return E_POINTER;
    LogLine(Config(), std::wstring(L"Navigate ") + uri);
    if (!window_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    std::wstring url;
    if (!NormaliseUrl(uri, &url)) return E_INVALIDARG;
    Enqueue(NavigationKind::New, url, -1);
    return S_OK;
}

HRESULT WebView::Reload() {
    LogLine(Config(), L"Reload");
    if (!window_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    if (HasPage()) Enqueue(NavigationKind::Reload, Source(), historyIndex_);
    return S_OK;
}

HRESULT WebView::GoBack() {
    LogLine(Config(), L"GoBack");
    return MoveInHistory(-1);
}

HRESULT WebView::GoForward() {
    LogLine(Config(), L"GoForward");
    return MoveInHistory(+1);
}

// Past either end of the history there is nothing to go to, and nothing happens.
HRESULT WebView::MoveInHistory(int step) {
    if (!window_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    int target = historyIndex_ + step;
    if (target >= 0 && target < static_cast<int>(history_.size())) {
        Enqueue(NavigationKind::HistoryMove, history_[static_cast<size_t>(target)], target);
    }
    return S_OK;
}

HRESULT WebView::add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                        EventRegistrationToken* token) {
    LogLine(Config(), L"add_NavigationStarting");
    return AddHandler(startingHandlers_, handler, token);
}

HRESULT WebView::remove_NavigationStarting(EventRegistrationToken token) {
    return RemoveHandler(startingHandlers_, token);
}

HRESULT WebView::add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                         EventRegistrationToken* token) {
    LogLine(Config(), L"add_NavigationCompleted");
    return AddHandler(completedHandlers_, handler, token);
}

HRESULT WebView::remove_NavigationCompleted(EventRegistrationToken token) {
    return RemoveHandler(completedHandlers_, token);
}

template <class Handler>
HRESULT WebView::AddHandler(std::vector<Registration<Handler>>& list, Handler* handler, EventRegistrationToken* token) {
    if (!handler || !token) return E_POINTER;
    token->value = nextToken_++;
    list.push_back({token->value, ComHolder<Handler>(handler)});
    return S_OK;
}

// The handler is let go only after the list is consistent again, in case its release re-enters.
template <class Handler>
HRESULT WebView::RemoveHandler(std::vector<Registration<Handler>>& list, EventRegistrationToken token) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->token == token.value) {
            ComHolder<Handler> removed = std::move(it->handler);
            list.erase(it);
            return S_OK;
        }
    }
    return S_OK;
}

// A new navigation supersedes every open one: they complete as cancelled before it starts.
void WebView::Enqueue(NavigationKind kind, const std::wstring& url, int historyIndex) {
    for (Navigation& open : navigations_) open.cancelled = true;
    StopTimer();
    Navigation navigation;
    navigation.id = nextNavigationId_++;
    navigation.url = url;
    navigation.kind = kind;
    navigation.historyIndex = historyIndex;
    navigations_.push_back(std::move(navigation));
    PostMessageW(window_, kStepNavigationsMessage, 0, 0);
}

// Raises whatever events are due, front of the queue first, until a live navigation waits for
// its timer. Handlers may navigate or drop the host's last reference meanwhile, so each
// event is raised from a copy and the queue is looked at afresh after it.
void WebView::OnStepNavigations() {
    EngineRef<WebView> keepAlive(this);
    while (window_ && !navigations_.empty()) {
        Navigation& front = navigations_.front();
        if (!front.started) {
            front.started = true;
            RaiseStarting(Navigation(front));
            continue;
        }
        if (front.cancelled) {
            Navigation cancelled = std::move(front);
            navigations_.pop_front();
            RaiseCompleted(cancelled, false);
            continue;
        }
        StartTimer();
        return;
    }
}

void WebView::OnNavigationTimer() {
    StopTimer();
    EngineRef<WebView> keepAlive(this);
    if (!navigations_.empty() && navigations_.front().started && !navigations_.front().cancelled) {
        Navigation done = std::move(navigations_.front());
        navigations_.pop_front();
        Commit(done);
        RaiseCompleted(done, true);
    }
    OnStepNavigations();
}

void WebView::Commit(const Navigation& navigation) {
    switch (navigation.kind) {
    case NavigationKind::New:
        history_.resize(static_cast<size_t>(historyIndex_ + 1));  // a new page drops the forward entries
        history_.push_back(navigation.url);
        historyIndex_ = static_cast<int>(history_.size()) - 1;
        break;
    case NavigationKind::HistoryMove:
        if (navigation.historyIndex < static_cast<int>(history_.size())) historyIndex_ = navigation.historyIndex;
        break;
    case NavigationKind::Reload:
        break;
    }
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void WebView::RaiseStarting(const Navigation& navigation) {
    LogLine(Config(), L"NavigationStarting " + navigation.url);
    ComHolder<StartingArgs> args(new StartingArgs(navigation.url, navigation.id));
    auto handlers = startingHandlers_;  // a handler may add or remove handlers
    for (auto& registration : handlers) registration.handler->Invoke(this, args.Get());
}

void WebView::RaiseCompleted(const Navigation& navigation, bool success) {
    LogLine(Config(), L"NavigationCompleted " + Source());
    ComHolder<CompletedArgs> args(new CompletedArgs(success, navigation.id));
    auto handlers = completedHandlers_;
    for (auto& registration : handlers) registration.handler->Invoke(this, args.Get());
}

void WebView::StartTimer() {
    if (timerRunning_ || !window_) return;
    SetTimer(window_, kNavigationTimerId, Config().navigationDelayMs, nullptr);
    timerRunning_ = true;
}

void WebView::StopTimer() {
    if (!timerRunning_) return;
    if (window_) KillTimer(window_, kNavigationTimerId);
    timerRunning_ = false;
}
