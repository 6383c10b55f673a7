// A page's requests for new windows (a target=_blank link, window.open, a middle-click): the host
// hears of them through NewWindowRequested. A view it hands over with NewWindow shows the new page;
// one it marks Handled opens nothing; one it leaves alone opens in a plain top-level window of the
// engine's own, as the runtime's popup does, which shows the page's address and goes with the view.
#include "devtools/engine/event_args.h"
#include "devtools/engine/objects.h"

#include <typeinfo>

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
    EngineRef<WebView> newWindow;  // the engine's link: the host's count stays the host's
    bool deferred = false;
    bool done = false;
    WebView::NewWindowSink decided;

    void Finish() {
        if (done) return;
        done = true;
        WebView* opener = view.Get();
        WebView* hosting = newWindow && !newWindow->IsDead() ? newWindow.Get() : nullptr;
        const WebView::NewWindowOutcome outcome = hosting   ? WebView::NewWindowOutcome::Hosted
                                                  : handled ? WebView::NewWindowOutcome::Handled
                                                            : WebView::NewWindowOutcome::Popup;
        static const wchar_t* const kOutcomeNames[] = {L" popup", L" handled", L" hosted"};
        LogLine(opener->Config(), L"NewWindow " + uri + kOutcomeNames[static_cast<int>(outcome)]);
        if (hosting) hosting->MarkNavigated();
        if (!opener->IsDead()) decided(outcome, hosting);
    }
};
using DecisionPtr = std::shared_ptr<NewWindowDecision>;

class NewWindowArgs final : public EventArgs<ICoreWebView2NewWindowRequestedEventArgs> {
public:
    NewWindowArgs(DecisionPtr decision, const WebView::NewWindowRequest& request)
        : EventArgs(IID_ICoreWebView2NewWindowRequestedEventArgs), decision_(std::move(decision)),
          request_(request) {}

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        if (!uri) return E_POINTER;
        *uri = CopyToTaskMemory(decision_->uri);
        return *uri ? S_OK : E_OUTOFMEMORY;
    }
    // The view must be one of this engine's, of the opener's back-end, never navigated, and is set
    // once; the runtime's error codes for the refusals are not documented.
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* window) override {
        if (decision_->done || decision_->newWindow) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
        WebView* view = window ? WebView::Known(window) : nullptr;
        if (!view || view->IsDead() || view->HasBeenNavigated() || typeid(*view) != typeid(*decision_->view.Get())) {
            return E_INVALIDARG;
        }
        decision_->newWindow = EngineRef<WebView>(view);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** window) override {
        if (!window) return E_POINTER;
        *window = decision_->newWindow.Get();
        if (*window) (*window)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
        decision_->handled = handled ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override { return GiveValue(handled, decision_->handled); }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* initiated) override {
        return GiveValue(initiated, static_cast<BOOL>(request_.userInitiated));
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        if (!deferral) return E_POINTER;
        decision_->deferred = true;
        DecisionPtr decision = decision_;
        const auto finish = [decision] { decision->Finish(); };
        *deferral = new CallbackDeferral<EventArgs>(finish, finish);
        (*deferral)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures** features) override {
        if (!features) return E_POINTER;
        *features = new WindowFeaturesArgs<EventArgs, WindowFeatureValues>(request_.features);
        (*features)->AddRef();
        return S_OK;
    }

private:
    DecisionPtr decision_;
    WebView::NewWindowRequest request_;
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
void WebView::RaiseNewWindowRequested(const NewWindowRequest& request, NewWindowSink decided) {
    if (dead_) return;
    EngineRef<WebView> keepAlive(this);
    RaisingEvent raising(this);
    auto decision = std::make_shared<NewWindowDecision>();
    decision->view = keepAlive;
    decision->uri = request.uri;
    const std::wstring uri = request.uri;
    decision->decided = [this, uri, decided](NewWindowOutcome outcome, WebView* newWindow) {
        if (outcome == NewWindowOutcome::Popup) {
            if (HWND popup = OpenPopupWindow(uri)) popups_.push_back(popup);
        }
        decided(outcome, newWindow);
    };
    ComHolder<NewWindowArgs> args(new NewWindowArgs(decision, request));
    newWindowHandlers_.Invoke(this, args.Get());
    if (!decision->deferred) decision->Finish();
}

void WebView::ClosePopups() {
    std::vector<HWND> popups = std::move(popups_);
    popups_.clear();
    for (HWND popup : popups) {
        if (IsWindow(popup)) DestroyWindow(popup);
    }
}
