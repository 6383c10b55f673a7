#include "app/popups.h"

#include "app/closing.h"
#include "app/messages.h"
#include "app/page_dialogs.h"
#include "app/state.h"
#include "webhost/com_handler.h"
#include "webhost/navigation_events.h"
#include "webhost/script_dialogs.h"

#include <WebView2.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr wchar_t kPopupClassName[] = L"TrovPopupClass";
constexpr wchar_t kBlank[] = L"about:blank";

// A popup that asks for a position but no size gets a page of this size.
constexpr LONG kDefaultPageWidth = 800;
constexpr LONG kDefaultPageHeight = 600;

// Everything of one popup: its window, the request whose deferral keeps the opener's window.open
// waiting until the view is handed over, and the engine's objects shown in the window.
struct Popup {
    HWND window = nullptr;
    PopupStage stage = PopupStage::Opening;
    ComRef<ICoreWebView2NewWindowRequestedEventArgs> request;
    ComRef<ICoreWebView2Deferral> deferral;
    ComRef<ICoreWebView2Controller> controller;
    ComRef<ICoreWebView2> view;
    std::wstring source;
    std::wstring title;
    UINT64 blankNavigation = 0;  // the about:blank that a close started
};
std::vector<std::unique_ptr<Popup>> popups;

Popup* PopupOfWindow(HWND window) {
    for (const auto& popup : popups) {
        if (popup->window == window) return popup.get();
    }
    return nullptr;
}

Popup* PopupOfView(ICoreWebView2* view) {
    for (const auto& popup : popups) {
        if (view && popup->view.Get() == view) return popup.get();
    }
    return nullptr;
}

std::wstring TakeString(LPWSTR text) {
    std::wstring taken = text ? text : L"";
    CoTaskMemFree(text);
    return taken;
}

void ShowCaption(const Popup& popup) {
    SetWindowTextW(popup.window, PopupCaption(popup.source, popup.title).c_str());
}

// The opener's window.open gets its answer: the view of an open popup, else a window that never
// loads. False when the engine refused the view, which then never shows a page.
bool AnswerRequest(Popup& popup) {
    if (!popup.deferral) return true;
    const bool open = popup.stage == PopupStage::Open && popup.view;
    const bool handedOver = open && SUCCEEDED(popup.request->put_NewWindow(popup.view.Get()));
    popup.request->put_Handled(TRUE);
    popup.deferral->Complete();
    popup.request.Reset();
    popup.deferral.Reset();
    return handedOver;
}

// The window goes after the event that asked for it has returned.
void Apply(Popup& popup, PopupEvent event) {
    const PopupMove move = NextPopupStage(popup.stage, event);
    popup.stage = move.stage;
    switch (move.step) {
    case PopupStep::None:
        break;
    case PopupStep::HandOverView:
        if (!AnswerRequest(popup)) Apply(popup, PopupEvent::ViewFailed);
        break;
    case PopupStep::AskPage:
        if (FAILED(popup.view->Navigate(kBlank))) {
            Apply(popup, PopupEvent::ViewFailed);
            break;
        }
        [[fallthrough]];
    case PopupStep::WaitAgain:
        SetTimer(popup.window, kCloseWaitTimer, kCloseWaitMs, nullptr);
        break;
    case PopupStep::EndWait:
        KillTimer(popup.window, kCloseWaitTimer);
        break;
    case PopupStep::Close:
        KillTimer(popup.window, kCloseWaitTimer);
        PostMessageW(popup.window, WM_APP_CLOSE_POPUP, 0, 0);
        break;
    }
}

HRESULT OnPopupNavigationStarting(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) {
    Popup* popup = PopupOfView(sender);
    if (popup) AnswerPageDialogNo(popup->window);  // its page is going: its waiting dialog goes too
    LPWSTR uri = nullptr;
    if (!popup || !args || FAILED(args->get_Uri(&uri)) || TakeString(uri) != kBlank) return S_OK;
    if (popup->stage != PopupStage::Asking) return S_OK;
    args->get_NavigationId(&popup->blankNavigation);
    Apply(*popup, PopupEvent::BlankStarted);
    return S_OK;
}

HRESULT OnPopupNavigationCompleted(ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) {
    Popup* popup = PopupOfView(sender);
    UINT64 id = 0;
    if (!popup || popup->stage != PopupStage::Leaving || !args || FAILED(args->get_NavigationId(&id))) return S_OK;
    if (id == popup->blankNavigation) Apply(*popup, PopupEvent::BlankCompleted);
    return S_OK;
}

// The view's own blank page before it is handed over, and about:blank on the way out, are not shown.
bool ShowsPage(const Popup& popup) {
    return popup.stage != PopupStage::Opening && popup.stage != PopupStage::Leaving;
}

HRESULT OnPopupSourceChanged(ICoreWebView2* sender, ICoreWebView2SourceChangedEventArgs*) {
    Popup* popup = PopupOfView(sender);
    LPWSTR uri = nullptr;
    if (!popup || !ShowsPage(*popup) || FAILED(sender->get_Source(&uri))) return S_OK;
    popup->source = TakeString(uri);
    ShowCaption(*popup);
    return S_OK;
}

HRESULT OnPopupTitleChanged(ICoreWebView2* sender, IUnknown*) {
    Popup* popup = PopupOfView(sender);
    LPWSTR title = nullptr;
    if (!popup || !ShowsPage(*popup) || FAILED(sender->get_DocumentTitle(&title))) return S_OK;
    popup->title = TakeString(title);
    ShowCaption(*popup);
    return S_OK;
}

// The page's window.close(). The main view does not listen: a window the script did not open stays.
HRESULT OnPopupCloseRequested(ICoreWebView2* sender, IUnknown*) {
    if (Popup* popup = PopupOfView(sender)) Apply(*popup, PopupEvent::PageCloses);
    return S_OK;
}

// The engine holds each handler for as long as the view lives; closing the controller lets go of
// them all. A view that refuses one of them is still shown.
template <class Interface, class... Args>
void Listen(ICoreWebView2* view, HRESULT (STDMETHODCALLTYPE ICoreWebView2::*add)(Interface*, EventRegistrationToken*),
            HRESULT (*body)(Args...), const IID& iid) {
    Interface* handler = NewHandler(&Interface::Invoke, body, iid);
    EventRegistrationToken token = {};
    (view->*add)(handler, &token);
    handler->Release();
}

// The settings and the handlers come before the view is handed over, so that the page's first
// document has them.
void ListenToPopupView(ICoreWebView2* view) {
    ComRef<ICoreWebView2Settings> settings;
    if (SUCCEEDED(view->get_Settings(settings.ReleaseAndGetAddressOf())) && settings) {
        settings->put_AreDefaultScriptDialogsEnabled(FALSE);
    }
    Listen(view, &ICoreWebView2::add_NavigationStarting, OnPopupNavigationStarting,
           IID_ICoreWebView2NavigationStartingEventHandler);
    Listen(view, &ICoreWebView2::add_NavigationCompleted, OnPopupNavigationCompleted,
           IID_ICoreWebView2NavigationCompletedEventHandler);
    Listen(view, &ICoreWebView2::add_SourceChanged, OnPopupSourceChanged, IID_ICoreWebView2SourceChangedEventHandler);
    Listen(view, &ICoreWebView2::add_DocumentTitleChanged, OnPopupTitleChanged,
           IID_ICoreWebView2DocumentTitleChangedEventHandler);
    Listen(view, &ICoreWebView2::add_WindowCloseRequested, OnPopupCloseRequested,
           IID_ICoreWebView2WindowCloseRequestedEventHandler);
    // Its page's dialogs and new windows go as the main page's do.
    Listen(view, &ICoreWebView2::add_ScriptDialogOpening, OnScriptDialogOpening,
           IID_ICoreWebView2ScriptDialogOpeningEventHandler);
    Listen(view, &ICoreWebView2::add_NewWindowRequested, OnNewWindowRequested,
           IID_ICoreWebView2NewWindowRequestedEventHandler);
}

void FitViewToWindow(const Popup& popup) {
    if (!popup.controller) return;
    RECT rc = {};
    GetClientRect(popup.window, &rc);
    popup.controller->put_Bounds(rc);
}

// A popup closed meanwhile keeps the controller only to close it with the window.
HRESULT OnPopupControllerCreated(HWND window, HRESULT result, ICoreWebView2Controller* controller) {
    Popup* popup = PopupOfWindow(window);
    if (!popup) return S_OK;
    if (SUCCEEDED(result) && controller) {
        popup->controller = controller;
        popup->controller->get_CoreWebView2(popup->view.ReleaseAndGetAddressOf());
    }
    if (popup->stage != PopupStage::Opening) return S_OK;
    if (!popup->view) {
        Apply(*popup, PopupEvent::ViewFailed);
        return S_OK;
    }
    ListenToPopupView(popup->view.Get());
    FitViewToWindow(*popup);
    popup->controller->put_IsVisible(TRUE);
    Apply(*popup, PopupEvent::ViewReady);
    return S_OK;
}

// The window has gone: a request still waiting opens nothing, and the controller is closed before
// the view and the controller are let go of, as the main window's are.
void ReleasePopup(HWND window) {
    const auto found = std::find_if(popups.begin(), popups.end(), [window](const auto& p) { return p->window == window; });
    if (found == popups.end()) return;
    const std::unique_ptr<Popup> popup = std::move(*found);
    popups.erase(found);
    DropPageDialogOf(window);
    AnswerRequest(*popup);
    if (popup->controller) popup->controller->Close();
    popup->view.Reset();
    popup->controller.Reset();
}

// A question of the page that is up has no time limit.
void OnCloseWaitOver(Popup& popup) {
    if (!PageDialogPendingFor(popup.window)) Apply(popup, PopupEvent::WaitOver);
}

LRESULT CALLBACK PopupWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Popup* popup = PopupOfWindow(hwnd);
    if (!popup) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_SIZE:            FitViewToWindow(*popup); return 0;
    case WM_MOVE:            if (popup->controller) popup->controller->NotifyParentWindowPositionChanged(); return 0;
    case WM_SETFOCUS:        if (popup->controller) popup->controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC); return 0;
    case WM_CLOSE:           Apply(*popup, PopupEvent::PersonCloses); return 0;
    case WM_TIMER:           if (wParam == kCloseWaitTimer) OnCloseWaitOver(*popup); return 0;
    case WM_APP_CLOSE_POPUP: DestroyWindow(hwnd); return 0;
    case WM_APP_PAGE_DIALOG: ShowQueuedPageDialog(hwnd); return 0;
    case WM_DESTROY:         ReleasePopup(hwnd); return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterPopupClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(instance, kPopupClassName, &wc)) return true;
    wc.lpfnWndProc = PopupWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kPopupClassName;
    return RegisterClassExW(&wc) != 0;
}

PopupFeatures FeaturesOf(ICoreWebView2NewWindowRequestedEventArgs* args) {
    PopupFeatures features;
    ComRef<ICoreWebView2WindowFeatures> asked;
    if (FAILED(args->get_WindowFeatures(asked.ReleaseAndGetAddressOf())) || !asked) return features;
    BOOL hasPosition = FALSE, hasSize = FALSE;
    asked->get_HasPosition(&hasPosition);
    asked->get_HasSize(&hasSize);
    features.hasPosition = hasPosition != FALSE;
    features.hasSize = hasSize != FALSE;
    asked->get_Left(&features.left);
    asked->get_Top(&features.top);
    asked->get_Width(&features.width);
    asked->get_Height(&features.height);
    return features;
}

// Placed on the monitor that shows Trov, owned by the main window: it stays above it, goes with it
// when it is minimised, and is destroyed with it.
HWND CreatePopupWindow(const PopupFeatures& features) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hMainWnd, GWLP_HINSTANCE));
    if (!RegisterPopupClass(instance)) return nullptr;
    constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectExForDpi(&frame, kStyle, FALSE, 0, GetDpiForWindow(hMainWnd));
    MONITORINFO monitor = {sizeof(monitor), {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(hMainWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT owner = {};
    GetWindowRect(hMainWnd, &owner);
    const RECT place = PopupFrame(features, SIZE{frame.right - frame.left, frame.bottom - frame.top}, monitor.rcWork, owner);
    return CreateWindowExW(0, kPopupClassName, L"", kStyle, place.left, place.top, place.right - place.left,
                           place.bottom - place.top, hMainWnd, nullptr, instance, nullptr);
}

// The deferral keeps the opener's window.open waiting until the view is handed over. False when
// no popup can open (no engine, no window): the view opens the address then.
bool OpenPopup(ICoreWebView2NewWindowRequestedEventArgs* args, const PopupFeatures& features, const std::wstring& uri) {
    if (!webviewEnvironment) return false;
    HWND window = CreatePopupWindow(features);
    if (!window) return false;
    auto popup = std::make_unique<Popup>();
    popup->window = window;
    popup->source = uri;
    popup->request = args;
    // Without the deferral the engine would decide on its own as soon as the event returns.
    if (FAILED(args->GetDeferral(popup->deferral.ReleaseAndGetAddressOf())) || !popup->deferral) {
        DestroyWindow(window);
        return false;
    }
    Popup& opened = *popup;
    popups.push_back(std::move(popup));
    ShowCaption(opened);
    auto* handler = new ControllerCompletedHandler([window](HRESULT result, ICoreWebView2Controller* controller) {
        return OnPopupControllerCreated(window, result, controller);
    });
    const HRESULT requested = webviewEnvironment->CreateCoreWebView2Controller(window, handler);
    handler->Release();
    if (FAILED(requested)) Apply(opened, PopupEvent::ViewFailed);
    ShowWindow(window, SW_SHOWNORMAL);
    return true;
}

LONG Fit(INT64 wanted, LONG room) { return static_cast<LONG>(std::clamp<INT64>(wanted, 0, room)); }

}  // namespace

NewWindowAction DecideNewWindow(bool userInitiated, bool hasSize, bool hasPosition) {
    if (!userInitiated) return NewWindowAction::Block;
    return hasSize || hasPosition ? NewWindowAction::OpenPopup : NewWindowAction::OpenInView;
}

RECT PopupFrame(const PopupFeatures& features, SIZE frame, const RECT& work, const RECT& owner) {
    const LONG workWidth = work.right - work.left;
    const LONG workHeight = work.bottom - work.top;
    const LONG width = Fit(INT64{features.hasSize ? features.width : kDefaultPageWidth} + frame.cx, workWidth);
    const LONG height = Fit(INT64{features.hasSize ? features.height : kDefaultPageHeight} + frame.cy, workHeight);
    INT64 left = owner.left + (owner.right - owner.left - width) / 2;
    INT64 top = owner.top + (owner.bottom - owner.top - height) / 2;
    if (features.hasPosition) {
        left = features.left;
        top = features.top;
    }
    const LONG x = work.left + Fit(left - work.left, workWidth - width);
    const LONG y = work.top + Fit(top - work.top, workHeight - height);
    return RECT{x, y, x + width, y + height};
}

std::wstring PopupCaption(const std::wstring& source, const std::wstring& title) {
    const std::wstring origin = OriginOf(source);
    return title.empty() ? origin : origin + L" - " + title;
}

PopupMove NextPopupStage(PopupStage stage, PopupEvent event) {
    const bool asked = stage == PopupStage::Asking || stage == PopupStage::Leaving;
    if (stage == PopupStage::Gone) return {stage, PopupStep::None};
    if (event == PopupEvent::PageCloses) return {PopupStage::Gone, PopupStep::Close};
    switch (event) {
    case PopupEvent::ViewReady:
        if (stage == PopupStage::Opening) return {PopupStage::Open, PopupStep::HandOverView};
        break;
    case PopupEvent::ViewFailed:
        return {PopupStage::Gone, PopupStep::Close};
    case PopupEvent::PersonCloses:
        // Without a page yet there is nothing to ask; a question asked is waited for.
        if (stage == PopupStage::Opening) return {PopupStage::Gone, PopupStep::Close};
        if (stage == PopupStage::Open) return {PopupStage::Asking, PopupStep::AskPage};
        break;
    case PopupEvent::BlankStarted:
        if (stage == PopupStage::Asking) return {PopupStage::Leaving, PopupStep::WaitAgain};
        break;
    case PopupEvent::BlankCompleted:
        if (stage == PopupStage::Leaving) return {PopupStage::Gone, PopupStep::Close};
        break;
    case PopupEvent::Stayed:
        if (stage == PopupStage::Asking) return {PopupStage::Open, PopupStep::EndWait};
        break;
    case PopupEvent::Left:
        if (stage == PopupStage::Asking) return {stage, PopupStep::WaitAgain};
        break;
    case PopupEvent::WaitOver:
        if (asked) return {PopupStage::Gone, PopupStep::Close};
        break;
    case PopupEvent::PageCloses:
        break;
    }
    return {stage, PopupStep::None};
}

bool TakeNewWindowRequest(ICoreWebView2NewWindowRequestedEventArgs* args, const std::wstring& uri) {
    BOOL userInitiated = FALSE;
    args->get_IsUserInitiated(&userInitiated);
    const PopupFeatures features = FeaturesOf(args);
    switch (DecideNewWindow(userInitiated != FALSE, features.hasSize, features.hasPosition)) {
    case NewWindowAction::Block:
        args->put_Handled(TRUE);
        return true;
    case NewWindowAction::OpenPopup:
        return OpenPopup(args, features, uri);
    case NewWindowAction::OpenInView:
        break;
    }
    return false;
}

HWND WindowOfView(ICoreWebView2* view) {
    const Popup* popup = PopupOfView(view);
    return popup ? popup->window : hMainWnd;
}

void NotePopupLeaveAnswer(HWND window, bool leave) {
    if (Popup* popup = PopupOfWindow(window)) Apply(*popup, leave ? PopupEvent::Left : PopupEvent::Stayed);
}

void CloseAllPopups() {
    while (!popups.empty()) {
        HWND window = popups.back()->window;
        DestroyWindow(window);
        ReleasePopup(window);  // a window already gone left its record
    }
}

size_t PopupCount() { return popups.size(); }
HWND PopupWindowAt(size_t index) { return index < popups.size() ? popups[index]->window : nullptr; }
