// A page's requests for new windows (a target=_blank link, window.open): the host hears of them
// through NewWindowRequested; one it leaves alone opens in a plain top-level window of the
// engine's own, as the runtime's popup does, which shows the page's address and goes with the view.
#include "devtools/engine/event_args.h"
#include "devtools/engine/objects.h"

namespace {

const wchar_t kPopupClass[] = L"TrovDevEnginePopup";

// The window shows its title, the page's address, as the simulated page shows its own.
LRESULT CALLBACK PopupWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(hdc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        wchar_t title[512] = {};
        GetWindowTextW(hwnd, title, 512);
        HGDIOBJ previousFont = SelectObject(hdc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(hdc, TRANSPARENT);
        InflateRect(&client, -16, -16);
        DrawTextW(hdc, title, -1, &client, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(hdc, previousFont);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND OpenPopupWindow(const std::wstring& uri) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PopupWndProc;
    wc.hInstance = EngineModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kPopupClass;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
    HWND popup = CreateWindowExW(0, kPopupClass, uri.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                 640, 480, nullptr, nullptr, EngineModule(), nullptr);
    if (popup) ShowWindow(popup, SW_SHOWNORMAL);
    return popup;
}

// What the host decided; it takes effect when the handlers return or, with a deferral, when that completes.
struct NewWindowDecision {
    EngineRef<WebView> view;
    std::wstring uri;
    BOOL handled = FALSE;
    bool deferred = false;
    bool done = false;
    std::function<void(const NewWindowDecision&)> apply;

    void Finish() {
        if (done) return;
        done = true;
        apply(*this);
    }
};
using DecisionPtr = std::shared_ptr<NewWindowDecision>;

class NewWindowDeferral final : public EventArgs<ICoreWebView2Deferral> {
public:
    explicit NewWindowDeferral(DecisionPtr decision)
        : EventArgs(IID_ICoreWebView2Deferral), decision_(std::move(decision)) {}
    ~NewWindowDeferral() override { decision_->Finish(); }
    HRESULT STDMETHODCALLTYPE Complete() override {
        decision_->Finish();
        return S_OK;
    }

private:
    DecisionPtr decision_;
};

class NewWindowArgs final : public EventArgs<ICoreWebView2NewWindowRequestedEventArgs> {
public:
    NewWindowArgs(DecisionPtr decision, bool userInitiated)
        : EventArgs(IID_ICoreWebView2NewWindowRequestedEventArgs), decision_(std::move(decision)),
          userInitiated_(userInitiated) {}

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        if (!uri) return E_POINTER;
        *uri = CopyToTaskMemory(decision_->uri);
        return *uri ? S_OK : E_OUTOFMEMORY;
    }
    // A web view of the host's for the new window is beyond this engine.
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** window) override {
        return GiveValue(window, static_cast<ICoreWebView2*>(nullptr));
    }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
        decision_->handled = handled ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override { return GiveValue(handled, decision_->handled); }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* initiated) override {
        return GiveValue(initiated, static_cast<BOOL>(userInitiated_));
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        if (!deferral) return E_POINTER;
        decision_->deferred = true;
        *deferral = new NewWindowDeferral(decision_);
        (*deferral)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures**) override { return E_NOTIMPL; }

private:
    DecisionPtr decision_;
    bool userInitiated_;
};

}  // namespace

HRESULT WebView::add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                        EventRegistrationToken* token) {
    return newWindowHandlers_.Add(dead_, handler, token);
}

HRESULT WebView::remove_NewWindowRequested(EventRegistrationToken token) {
    return newWindowHandlers_.Remove(token);
}

// A view closed meanwhile opens nothing more.
bool WebView::RaiseNewWindowRequested(const std::wstring& uri, bool userInitiated) {
    if (dead_) return false;
    EngineRef<WebView> keepAlive(this);
    RaisingEvent raising(this);
    auto decision = std::make_shared<NewWindowDecision>();
    decision->view = keepAlive;
    decision->uri = uri;
    decision->apply = [](const NewWindowDecision& made) {
        WebView* view = made.view.Get();
        LogLine(view->Config(), L"NewWindow " + made.uri + (made.handled ? L" handled" : L" popup"));
        if (made.handled || view->dead_) return;
        if (HWND popup = OpenPopupWindow(made.uri)) view->popups_.push_back(popup);
    };
    ComHolder<NewWindowArgs> args(new NewWindowArgs(decision, userInitiated));
    newWindowHandlers_.Invoke(this, args.Get());
    if (!decision->deferred) decision->Finish();
    return decision->done && decision->handled;
}

void WebView::ClosePopups() {
    std::vector<HWND> popups = std::move(popups_);
    popups_.clear();
    for (HWND popup : popups) {
        if (IsWindow(popup)) DestroyWindow(popup);
    }
}
