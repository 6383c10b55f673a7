#include "webhost/engine.h"

#include "addressbar/address_bar.h"
#include "app/closing.h"
#include "app/focus.h"
#include "app/fullscreen.h"
#include "app/keyboard.h"
#include "app/messages.h"
#include "app/state.h"
#include "webhost/com_handler.h"
#include "webhost/restart_budget.h"
#include "webhost/script_dialogs.h"
#include "webhost/user_data_folder.h"

#include <objbase.h>

#include <string>
#include <type_traits>

namespace {

// An answer that arrives after the window was closed (the person closed it during start-up) finds
// nothing to show a view in: the objects it brings stay the engine's.
bool MainWindowIsGone() { return !IsWindow(hMainWnd); }

// A dead engine is started again once its browser process has exited, as its environment says:
// before that its user-data folder may still be in use. Without that word, after this long.
constexpr UINT kBrowserExitWaitMs = 1000;



// What the web host alone keeps between the engine's events.
struct HostState {
    // The id of the last navigation whose start was seen, so that a replaced one's late completion
    // is recognised; navigationStartSeen is false until the first start of the current web view.
    bool navigationStartSeen = false;
    UINT64 lastNavigationId = 0;
    RecoveryBudget engineRestarts;  // the deaths of the engine's browser process that were restarted
    RecoveryBudget pageReloads;     // after the page's renderer died, per page
    bool restarting = false;        // the start under way is a restart: it is retried, and gives the focus back
    int retries = 0;                // failed attempts of the restart under way
    bool retryDue = false;          // kEngineRetryTimer is armed for the next attempt
    bool engineParked = false;      // a restart gave up: the person's next request for a page starts it
    bool exitSeen = false;          // the environment said that its browser process died
    bool awaitingExit = false;      // a restart waits for that word, kEngineRetryTimer as its fallback
    bool viewHidden = false;        // put_IsVisible(FALSE) while the window is minimised
    std::wstring newWindowUri;      // a page's new window, opened in the view after the event
};
HostState host;

// Our handler of the environment's BrowserProcessExited, registered on each new environment.
ComRef<ICoreWebView2BrowserProcessExitedEventHandler> browserExitedHandler;

void RememberStartedNavigation(UINT64 id) {
    host.navigationStartSeen = true;
    host.lastNavigationId = id;
}

// A string the engine hands over, which the caller frees.
std::wstring TakeEngineString(LPWSTR text) {
    std::wstring taken = text ? text : L"";
    CoTaskMemFree(text);
    return taken;
}

// A navigation that a newer one replaced still completes, after the newer one started: it must not
// clear the loading bar nor show the old address. Without any start seen, every completion counts.
bool IsReplacedNavigation(ICoreWebView2NavigationCompletedEventArgs* args) {
    UINT64 id = 0;
    if (!host.navigationStartSeen || !args || FAILED(args->get_NavigationId(&id))) return false;
    return id != host.lastNavigationId;
}

// The one place where the engine's address reaches the bar and currentUrl.
void ShowSourceOf(ICoreWebView2* sender) {
    LPWSTR uri = nullptr;
    sender->get_Source(&uri);
    if (uri) {
        ShowAddressInBar(uri);
        currentUrl = uri;
        CoTaskMemFree(uri);
    }
}

// The page's renderer died: the view is alive but blank, and the crashed navigation never completes.
void ReloadCrashedPage() {
    DropPageDialog();  // its page is gone
    isLoading = false;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    // A page that crashes on every load would otherwise reload for ever.
    if (host.pageReloads.Take(currentUrl) && webview) webview->Reload();
}

// The dead engine's view, controller and their handlers; its environment stays while its exit is awaited.
void ReleaseViewAndController() {
    if (webviewController) webviewController->Close();
    webview.Reset();
    webviewController.Reset();
#define TROV_RELEASE(holder, ...) holder.Reset();
    TROV_ENGINE_EVENTS(TROV_RELEASE)
#undef TROV_RELEASE
}

// The engine's browser process died and took the view, the controller and the environment with it.
// Its event only marks the engine down: until a new one arrives, the program is as before the first
// start (back, forward, refresh, home and typed addresses do nothing). Closing and letting go of the
// dead engine's objects waits for the posted message, when none of their callbacks is running.
// A close under way ends with the engine: the window goes, and no new engine is started for it.
void MarkEngineDown() {
    RememberFocus();  // now, while the dead page may still be the one with the focus
    webviewReady = false;
    isLoading = false;
    host.navigationStartSeen = false;
    DropPageDialog();
    InvalidateRect(hMainWnd, nullptr, FALSE);
    if (!EndCloseWithDeadEngine()) PostMessageW(hMainWnd, WM_APP_RESTART_ENGINE, 0, 0);
}

// One attempt of a restart; a window that is already gone gets no new engine. The dead engine's
// environment, kept while its exit was awaited, goes first.
void StartEngineAgain() {
    host.restarting = false;
    host.awaitingExit = false;
    ReleaseEngineReferences();
    if (MainWindowIsGone()) return;
    host.restarting = true;
    InitWebView(hMainWnd);
}

// A restart's environment or controller did not come: what it brought is let go, and the restart is
// tried again a little later. Past the last retry the engine stays down, silently, until the person
// asks for a page. A failed first start stays as it is, silently.
void OnStartFailed() {
    if (!host.restarting) return;
    host.restarting = false;
    ReleaseEngineReferences();
    if (MainWindowIsGone()) return;
    const UINT delay = RestartRetryDelayMs(host.retries++);
    if (delay == 0) {
        host.engineParked = true;
        return;
    }
    host.retryDue = true;
    SetTimer(hMainWnd, kEngineRetryTimer, delay, nullptr);
}

// The person finds the focus where they left it: the bar keeps its caret, selection and typing, the
// page gets the keyboard back. Not in a window the person has left: its activation does that later.
void GiveFocusBackAfterRestart() {
    if (GetActiveWindow() == hMainWnd && !IsIconic(hMainWnd)) RestoreFocus();
}

HRESULT OnNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
    UINT64 id = 0;
    LPWSTR uri = nullptr;
    if (args && SUCCEEDED(args->get_NavigationId(&id))) RememberStartedNavigation(id);
    if (args) args->get_Uri(&uri);
    NoteNavigationStartingWhileClosing(TakeEngineString(uri), id);
    ForgetPageDialogsOfLastPage();
    isLoading = true;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    return S_OK;
}

// Failed navigations are treated like successful ones: the bar clears and the source is shown.
HRESULT OnNavigationCompleted(ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) {
    if (IsReplacedNavigation(args)) return S_OK;
    isLoading = false;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    UINT64 id = 0;
    if (args) args->get_NavigationId(&id);
    if (NoteNavigationCompletedWhileClosing(id)) return S_OK;  // about:blank is not shown on the way out
    ShowSourceOf(sender);
    return S_OK;
}

// Fragment links and the history API change the address without a new document, and raise no
// navigation events: the bar follows them here, and the loading bar is left as it is.
HRESULT OnSourceChanged(ICoreWebView2* sender, ICoreWebView2SourceChangedEventArgs*) {
    if (LeavingPageToClose()) return S_OK;  // about:blank is not shown on the way out
    ShowSourceOf(sender);
    return S_OK;
}

HRESULT OnProcessFailed(ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
    COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED;
    if (!args || FAILED(args->get_ProcessFailedKind(&kind))) return S_OK;
    switch (kind) {
    case COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED:
        if (webviewReady) MarkEngineDown();  // once, however often the dead engine says so
        break;
    case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED:
        ReloadCrashedPage();
        break;
    default:
        // A subframe's renderer: the page itself works on, only that frame shows an error. An
        // unresponsive page may recover; the other processes are the runtime's to restart.
        break;
    }
    return S_OK;
}

// The environment's word that its browser process and everything it held are gone; raised besides
// ProcessFailed, before or after it. A dead engine whose restart waits for it starts now; heard
// first, it marks the engine down, and the restart needs no wait. Said twice, it counts once.
HRESULT OnBrowserProcessExited(ICoreWebView2Environment* sender, ICoreWebView2BrowserProcessExitedEventArgs* args) {
    COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind = COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_NORMAL;
    if (!args || FAILED(args->get_BrowserProcessExitKind(&kind))) return S_OK;
    if (kind != COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED || sender != webviewEnvironment.Get()) return S_OK;
    if (host.exitSeen) return S_OK;
    host.exitSeen = true;
    if (webviewReady) MarkEngineDown();
    else if (host.awaitingExit) PostMessageW(hMainWnd, WM_APP_RESTART_ENGINE, 0, 0);
    return S_OK;
}

// Asked by the window procedure, once the event has returned: a message posted before a restart
// finds the new view.
HRESULT OnContainsFullScreenElementChanged(ICoreWebView2*, IUnknown*) {
    PostMessageW(hMainWnd, WM_APP_FULLSCREEN, 0, 0);
    return S_OK;
}

// The page's keys reach the shortcuts only through this event. A shortcut is marked handled, so
// that neither the engine nor the page acts on it as well.
HRESULT OnAcceleratorKeyPressed(ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
    UINT key = 0;
    if (!args || FAILED(args->get_KeyEventKind(&kind)) || FAILED(args->get_VirtualKey(&key))) return S_OK;
    COREWEBVIEW2_PHYSICAL_KEY_STATUS status = {};
    args->get_PhysicalKeyStatus(&status);
    const bool down = kind == COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN || kind == COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
    if (TakePageKey(key, down, status.WasKeyDown != FALSE, status.IsMenuKeyDown != FALSE)) args->put_Handled(TRUE);
    return S_OK;
}

HRESULT OnPageGotFocus(ICoreWebView2Controller*, IUnknown*) {
    NotePageFocus(true);
    return S_OK;
}

HRESULT OnPageLostFocus(ICoreWebView2Controller*, IUnknown*) {
    NotePageFocus(false);
    return S_OK;
}

PageDialogKind PageDialogKindOf(COREWEBVIEW2_SCRIPT_DIALOG_KIND kind) {
    switch (kind) {
    case COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM:      return PageDialogKind::Confirm;
    case COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT:       return PageDialogKind::Prompt;
    case COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD: return PageDialogKind::Leave;
    default:                                           return PageDialogKind::Alert;
    }
}

// The page's script waits on the deferral; the dialog is shown from the message loop.
HRESULT OnScriptDialogOpening(ICoreWebView2*, ICoreWebView2ScriptDialogOpeningEventArgs* args) {
    COREWEBVIEW2_SCRIPT_DIALOG_KIND kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT;
    ComRef<ICoreWebView2Deferral> deferral;
    if (!args || FAILED(args->get_Kind(&kind)) || FAILED(args->GetDeferral(deferral.ReleaseAndGetAddressOf())) ||
        !deferral) {
        return S_OK;
    }
    LPWSTR uri = nullptr, message = nullptr, defaultText = nullptr;
    args->get_Uri(&uri);
    args->get_Message(&message);
    args->get_DefaultText(&defaultText);
    PageDialog dialog;
    dialog.kind = PageDialogKindOf(kind);
    dialog.origin = OriginOf(TakeEngineString(uri));
    dialog.message = TakeEngineString(message);
    dialog.defaultText = TakeEngineString(defaultText);
    QueuePageDialog(dialog, args, deferral.Get());
    return S_OK;
}

// A one-window browser: the new window's page opens in the view, once the event has returned.
HRESULT OnNewWindowRequested(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
    LPWSTR uri = nullptr;
    if (!args || FAILED(args->get_Uri(&uri))) return S_OK;
    args->put_Handled(TRUE);
    host.newWindowUri = TakeEngineString(uri);
    if (!host.newWindowUri.empty()) PostMessageW(hMainWnd, WM_APP_NEW_WINDOW, 0, 0);
    return S_OK;
}

HRESULT OnMoveFocusRequested(ICoreWebView2Controller*, ICoreWebView2MoveFocusRequestedEventArgs* args) {
    if (args && TakeFocusFromPage()) args->put_Handled(TRUE);
    return S_OK;
}

// Holds the handler and registers it with one of the source's add_ methods; false when the source
// refused it. The token is not kept: the handlers all go at once, when the controller is closed and
// the holders are emptied.
template <class Source, class Interface, class Concrete>
bool AddHandler(Source* source, HRESULT (STDMETHODCALLTYPE Source::*add)(Interface*, EventRegistrationToken*),
                ComRef<Interface>& holder, Concrete* handler) {
    holder.Attach(handler);
    EventRegistrationToken token = {};
    return SUCCEEDED((source->*add)(holder.Get(), &token));
}

// The page's questions come to ScriptDialogOpening, so that Trov knows their answers. The setting
// holds for the documents loaded after it, so it comes before the first navigation.
void TakeOverScriptDialogs() {
    ComRef<ICoreWebView2Settings> settings;
    if (SUCCEEDED(webview->get_Settings(settings.ReleaseAndGetAddressOf())) && settings) {
        settings->put_AreDefaultScriptDialogsEnabled(FALSE);
    }
}

// Every handler, on the new view and its controller, before the first navigation; false from the
// first one the engine refused, and the rest are not offered.
bool RegisterHandlers() {
    bool registered = true;
#define TROV_REGISTER(holder, Interface, source, add, handle)                                             \
    registered = registered && AddHandler(source.Get(), &std::remove_pointer_t<decltype(source.Get())>::add, \
                                          holder, NewHandler(&Interface::Invoke, handle, IID_##Interface));
    TROV_ENGINE_EVENTS(TROV_REGISTER)
#undef TROV_REGISTER
    return registered;
}

HRESULT OnControllerCreated(HRESULT result, ICoreWebView2Controller* controller) {
    if (MainWindowIsGone()) return S_OK;
    // A success code with no object would otherwise be dereferenced below.
    if (FAILED(result) || !controller) {
        OnStartFailed();
        return S_OK;
    }
    webviewController = controller;
    webviewController->get_CoreWebView2(webview.ReleaseAndGetAddressOf());
    if (!webview) {
        OnStartFailed();
        return S_OK;
    }

    // Visible (unless the window is minimised) and sized before it counts as ready; handlers
    // registered before the first navigation.
    host.viewHidden = IsIconic(hMainWnd) != FALSE;
    webviewController->put_IsVisible(host.viewHidden ? FALSE : TRUE);
    ResizeWebView();
    webviewReady = true;
    const bool restarted = host.restarting;
    if (!restarted) SetFocus(hMainWnd);

    TakeOverScriptDialogs();
    // A view that would miss one of its events is not used: the start failed, as without a controller.
    if (!RegisterHandlers()) {
        webviewReady = false;
        OnStartFailed();
        return S_OK;
    }
    host.restarting = false;
    host.retries = 0;
    if (restarted) GiveFocusBackAfterRestart();
    webview->Navigate(currentUrl.c_str());
    return S_OK;
}

// Environments of runtimes older than the event do without it: the wait's fallback restarts them.
void ListenForBrowserExit() {
    ComRef<ICoreWebView2Environment5> environment5;
    if (FAILED(webviewEnvironment->QueryInterface(IID_ICoreWebView2Environment5,
                                                  reinterpret_cast<void**>(environment5.ReleaseAndGetAddressOf()))) ||
        !environment5) {
        return;
    }
    AddHandler(environment5.Get(), &ICoreWebView2Environment5::add_BrowserProcessExited, browserExitedHandler,
               NewHandler(&ICoreWebView2BrowserProcessExitedEventHandler::Invoke, OnBrowserProcessExited,
                          IID_ICoreWebView2BrowserProcessExitedEventHandler));
}

HRESULT OnEnvironmentCreated(HWND hwnd, HRESULT result, ICoreWebView2Environment* environment) {
    if (MainWindowIsGone()) return S_OK;
    if (FAILED(result) || !environment) {
        RemoveUnusedUserDataFolder();
        OnStartFailed();
        return S_OK;
    }
    webviewEnvironment = environment;
    KeepUserDataFolder();
    host.exitSeen = false;
    ListenForBrowserExit();
    // The engine keeps its own reference to the handler for as long as it needs it.
    auto* handler = new ControllerCompletedHandler(OnControllerCreated);
    const HRESULT requested = webviewEnvironment->CreateCoreWebView2Controller(hwnd, handler);
    handler->Release();
    if (FAILED(requested)) OnStartFailed();  // no answer comes for a request that was refused
    return S_OK;
}

}  // namespace

void InitWebView(HWND hwnd) {
    auto* handler = new EnvironmentCompletedHandler(
        [hwnd](HRESULT result, ICoreWebView2Environment* environment) {
            return OnEnvironmentCreated(hwnd, result, environment);
        });
    const std::wstring userData = PrepareUserDataFolder();
    const HRESULT requested = CreateCoreWebView2EnvironmentWithOptions(
        nullptr, userData.empty() ? nullptr : userData.c_str(), nullptr, handler);
    handler->Release();
    if (FAILED(requested)) {  // no answer comes for a request that was refused
        RemoveUnusedUserDataFolder();
        OnStartFailed();
    }
}

void RestartEngine() {
    if (host.awaitingExit) {  // the exit came before the wait's end
        KillTimer(hMainWnd, kEngineRetryTimer);
        host.retryDue = false;
        StartEngineAgain();
        return;
    }
    ReleaseViewAndController();  // the events' handlers with them
    ForgetPageFocus();
    // The page that held the screen is gone, and the new one starts in the window.
    ApplyFullScreenEvent(hMainWnd, FullScreenEvent::LeaveAll);
    host.retries = 0;
    host.viewHidden = false;
    // An engine that dies again and again is left down, until the person asks for a page.
    if (!host.engineRestarts.Take()) {
        ReleaseEngineReferences();
        host.engineParked = true;
        return;
    }
    if (host.exitSeen || !webviewEnvironment) {
        StartEngineAgain();
        return;
    }
    host.awaitingExit = true;
    host.retryDue = true;
    SetTimer(hMainWnd, kEngineRetryTimer, kBrowserExitWaitMs, nullptr);
}

bool StartParkedEngine() {
    if (!host.engineParked || MainWindowIsGone()) return false;
    host.engineParked = false;
    host.retries = 0;
    StartEngineAgain();
    return true;
}

void RetryEngineStart() {
    KillTimer(hMainWnd, kEngineRetryTimer);
    if (!host.retryDue) return;
    host.retryDue = false;
    StartEngineAgain();
}

void NavigateView(const std::wstring& url) {
    if (webviewReady && webview) webview->Navigate(url.c_str());
}

void OpenNewWindowInView() {
    NavigateView(host.newWindowUri);
    host.newWindowUri.clear();
}

void ShowAddressOfView() {
    if (webview) ShowSourceOf(webview.Get());
}
void GoBackInView() {
    if (webviewReady) webview->GoBack();
    else StartParkedEngine();
}
void GoForwardInView() {
    if (webviewReady) webview->GoForward();
    else StartParkedEngine();
}
void ReloadView() {
    if (webviewReady) webview->Reload();
    else StartParkedEngine();
}

bool MoveFocusIntoPage(PageFocus where) {
    if (!webviewReady) return false;  // the controller is there once the view is ready
    const COREWEBVIEW2_MOVE_FOCUS_REASON reason = where == PageFocus::First  ? COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT
                                                  : where == PageFocus::Last ? COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS
                                                                             : COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC;
    webviewController->MoveFocus(reason);
    return true;
}

bool PageHasFullScreenElement() {
    BOOL contains = FALSE;
    if (webview) webview->get_ContainsFullScreenElement(&contains);
    return contains != FALSE;
}

// The view is shown again before it gets its bounds, so that it lays out at the restored size.
void ShowWebViewFor(WPARAM sizeType) {
    if (!webviewController) return;
    if (sizeType == SIZE_MINIMIZED && !host.viewHidden) {
        webviewController->put_IsVisible(FALSE);
        host.viewHidden = true;
    } else if ((sizeType == SIZE_RESTORED || sizeType == SIZE_MAXIMIZED) && host.viewHidden) {
        webviewController->put_IsVisible(TRUE);
        host.viewHidden = false;
    }
}

void NotifyWebViewMoved() {
    if (webviewController) webviewController->NotifyParentWindowPositionChanged();
}

RECT WebViewBounds(int clientWidth, int clientHeight, bool panelOpen, int barHeight, int panelHeight) {
    const int top = panelOpen ? barHeight + panelHeight : barHeight;
    // Not clamped: a minimised window's 0 by 0 client area gives a bottom above the top.
    return RECT{0, top, clientWidth, clientHeight};
}

void ResizeWebView() {
    if (!webviewController) return;
    RECT rc = {};  // stays empty if the window is already gone
    GetClientRect(hMainWnd, &rc);
    // Full screen, the band is hidden and the view takes the whole client area.
    const bool bandShown = !IsFullScreen();
    webviewController->put_Bounds(
        WebViewBounds(rc.right, rc.bottom, menuOpen && bandShown, bandShown ? toolbarHeight : 0, menuHeight));
}

// Closed first: the engine lets go of every handler and of its references to the program at once,
// whatever else holds the controller.
void ReleaseWebView() {
    DropPageDialog();
    if (webviewController) webviewController->Close();
    webview.Reset();
    webviewController.Reset();
    webviewEnvironment.Reset();
}

void ReleaseEngineReferences() {
    ReleaseViewAndController();
    webviewEnvironment.Reset();
    browserExitedHandler.Reset();
}

void ResetEngineForTesting() {
    host = HostState{};
    browserExitedHandler.Reset();
    ResetClosingForTesting();
    ResetPageDialogsForTesting();
}
