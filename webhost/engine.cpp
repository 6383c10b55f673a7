#include "webhost/engine.h"

#include "addressbar/address_bar.h"
#include "app/focus.h"
#include "app/fullscreen.h"
#include "app/keyboard.h"
#include "app/messages.h"
#include "app/state.h"
#include "webhost/com_handler.h"

#include <objbase.h>

#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// An answer that arrives after the window was closed (the person closed it during start-up) finds
// nothing to show a view in: the objects it brings stay the engine's.
bool MainWindowIsGone() { return !IsWindow(hMainWnd); }

// Each kind of recovery runs at most kRecoveryLimit times within kRecoveryWindowMs.
constexpr size_t kRecoveryLimit = 3;
constexpr ULONGLONG kRecoveryWindowMs = 60 * 1000;

// A failed restart is tried again after these delays. The budget counts the engine's deaths, not
// these attempts: an engine that is still coming back fails the first ones.
constexpr UINT kRestartRetryDelaysMs[] = {1000, 2000, 4000};

// How long a closing window waits for the page to start leaving before it closes anyway (a hung
// page), and how often it looks again while the page's question holds the window.
constexpr UINT kCloseWaitMs = 2000;

// The recoveries of one kind that ran lately, oldest first, kept to the limit; counted for one
// subject (the page, for reloads) and started afresh for another.
struct RecoveryBudget {
    std::wstring subject;
    std::vector<ULONGLONG> times;

    // Takes one recovery when the budget allows one now.
    bool Take(const std::wstring& forSubject = std::wstring()) {
        if (forSubject != subject) {
            subject = forSubject;
            times.clear();
        }
        const ULONGLONG now = GetTickCount64();
        if (!RecoveryAllowed(times, now, kRecoveryLimit, kRecoveryWindowMs)) return false;
        times.push_back(now);
        if (times.size() > kRecoveryLimit) times.erase(times.begin());
        return true;
    }
};

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
    bool viewHidden = false;        // put_IsVisible(FALSE) while the window is minimised
    // Closing: the view was sent to about:blank, so that the page can ask before it is left.
    bool closeAsked = false;
    bool closeNavigationStarted = false;  // the page is being left, or asks its question now
    bool pageLetGo = false;               // the page was left: the next WM_CLOSE destroys the window
};
HostState host;

void RememberStartedNavigation(ICoreWebView2NavigationStartingEventArgs* args) {
    UINT64 id = 0;
    if (!args || FAILED(args->get_NavigationId(&id))) return;
    host.navigationStartSeen = true;
    host.lastNavigationId = id;
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
    isLoading = false;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    // A page that crashes on every load would otherwise reload for ever.
    if (host.pageReloads.Take(currentUrl) && webview) webview->Reload();
}

// The engine's browser process died and took the view, the controller and the environment with it.
// Its event only marks the engine down: until a new one arrives, the program is as before the first
// start (back, forward, refresh, home and typed addresses do nothing). Closing and letting go of the
// dead engine's objects waits for the posted message, when none of their callbacks is running.
void MarkEngineDown() {
    RememberFocus();  // now, while the dead page may still be the one with the focus
    webviewReady = false;
    isLoading = false;
    host.navigationStartSeen = false;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    PostMessageW(hMainWnd, WM_APP_RESTART_ENGINE, 0, 0);
}

// One attempt of a restart; a window that is already gone gets no new engine.
void StartEngineAgain() {
    host.restarting = false;
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
    if (host.retries >= static_cast<int>(std::size(kRestartRetryDelaysMs))) {
        host.engineParked = true;
        return;
    }
    host.retryDue = true;
    SetTimer(hMainWnd, kEngineRetryTimer, kRestartRetryDelaysMs[host.retries++], nullptr);
}

// The navigation away from the page has started: the page may ask its question now, and its
// answer, not the clock, decides.
void NoteNavigationStartedWhileClosing() {
    if (host.closeAsked) host.closeNavigationStarted = true;
}

// The page was left: the window goes once this event has returned, so that the engine is not
// closed inside its own event. The person chose to stay: everything stays as it was.
// Returns whether the window is going.
bool NoteNavigationCompletedWhileClosing(ICoreWebView2NavigationCompletedEventArgs* args) {
    if (!host.closeAsked || !host.closeNavigationStarted) return false;
    BOOL success = FALSE;
    if (args) args->get_IsSuccess(&success);
    host.closeAsked = false;
    host.closeNavigationStarted = false;
    KillTimer(hMainWnd, kCloseWaitTimer);
    if (!success) return false;
    host.pageLetGo = true;
    PostMessageW(hMainWnd, WM_CLOSE, 0, 0);
    return true;
}

// The person finds the focus where they left it: the bar keeps its caret, selection and typing, the
// page gets the keyboard back. Not in a window the person has left: its activation does that later.
void GiveFocusBackAfterRestart() {
    if (GetActiveWindow() == hMainWnd && !IsIconic(hMainWnd)) RestoreFocus();
}

HRESULT OnNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
    RememberStartedNavigation(args);
    NoteNavigationStartedWhileClosing();
    isLoading = true;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    return S_OK;
}

// Failed navigations are treated like successful ones: the bar clears and the source is shown.
HRESULT OnNavigationCompleted(ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) {
    if (IsReplacedNavigation(args)) return S_OK;
    isLoading = false;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    if (NoteNavigationCompletedWhileClosing(args)) return S_OK;  // about:blank is not shown on the way out
    ShowSourceOf(sender);
    return S_OK;
}

// Fragment links and the history API change the address without a new document, and raise no
// navigation events: the bar follows them here, and the loading bar is left as it is.
HRESULT OnSourceChanged(ICoreWebView2* sender, ICoreWebView2SourceChangedEventArgs*) {
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

HRESULT OnEnvironmentCreated(HWND hwnd, HRESULT result, ICoreWebView2Environment* environment) {
    if (MainWindowIsGone()) return S_OK;
    if (FAILED(result) || !environment) {
        OnStartFailed();
        return S_OK;
    }
    webviewEnvironment = environment;
    // The engine keeps its own reference to the handler for as long as it needs it.
    auto* handler = new ControllerCompletedHandler(OnControllerCreated);
    const HRESULT requested = webviewEnvironment->CreateCoreWebView2Controller(hwnd, handler);
    handler->Release();
    if (FAILED(requested)) OnStartFailed();  // no answer comes for a request that was refused
    return S_OK;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// True when the folder is there afterwards, made now or before.
bool MakeFolder(const std::wstring& path) {
    CreateDirectoryW(path.c_str(), nullptr);
    return IsFolder(path);
}

std::wstring ProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}

// The engine keeps its data beside the program by default, in "trov.exe.WebView2", where existing
// users have theirs. Where that folder cannot be made (a read-only place such as C:\Program Files)
// the engine would never start, so it gets a folder of the person's own there instead. Empty: the
// engine's default.
std::wstring UserDataFolder() {
    const std::wstring program = ProgramPath();
    if (program.empty() || MakeFolder(program + L".WebView2")) return std::wstring();
    wchar_t localAppData[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", localAppData, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    const std::wstring trovFolder = std::wstring(localAppData) + L"\\Trov Browser";
    MakeFolder(trovFolder);
    const std::wstring folder = trovFolder + L"\\WebView2";
    MakeFolder(folder);
    return folder;
}

}  // namespace

void InitWebView(HWND hwnd) {
    auto* handler = new EnvironmentCompletedHandler(
        [hwnd](HRESULT result, ICoreWebView2Environment* environment) {
            return OnEnvironmentCreated(hwnd, result, environment);
        });
    const std::wstring userData = UserDataFolder();
    const HRESULT requested = CreateCoreWebView2EnvironmentWithOptions(
        nullptr, userData.empty() ? nullptr : userData.c_str(), nullptr, handler);
    handler->Release();
    if (FAILED(requested)) OnStartFailed();  // no answer comes for a request that was refused
}

void RestartEngine() {
    ReleaseEngineReferences();
    ForgetPageFocus();
    // The page that held the screen is gone, and the new one starts in the window.
    ApplyFullScreenEvent(hMainWnd, FullScreenEvent::LeaveAll);
    host.retries = 0;
    host.viewHidden = false;
    // An engine that dies again and again is left down, until the person asks for a page.
    if (!host.engineRestarts.Take()) {
        host.engineParked = true;
        return;
    }
    StartEngineAgain();
}

bool StartParkedEngine() {
    if (!host.engineParked || MainWindowIsGone()) return false;
    host.engineParked = false;
    host.retries = 0;
    StartEngineAgain();
    return true;
}

bool AskPageBeforeClosing() {
    if (host.pageLetGo) return false;
    if (host.closeAsked) return true;  // the page's question is up, or on its way: nothing more
    if (!webviewReady || FAILED(webview->Navigate(L"about:blank"))) return false;
    host.closeAsked = true;
    host.closeNavigationStarted = false;
    SetTimer(hMainWnd, kCloseWaitTimer, kCloseWaitMs, nullptr);
    return true;
}

void CheckPageLettingGo() {
    if (!host.closeAsked) {
        KillTimer(hMainWnd, kCloseWaitTimer);
        return;
    }
    // The page's question is modal to the window, which stays disabled until it is answered.
    const bool pageAnswering = host.closeNavigationStarted || !IsWindowEnabled(hMainWnd);
    if (webviewReady && pageAnswering) return;
    // A hung page, or an engine that died meanwhile: the window closes anyway.
    host.closeAsked = false;
    host.pageLetGo = true;
    DestroyWindow(hMainWnd);
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

bool RecoveryAllowed(const std::vector<ULONGLONG>& earlierTimes, ULONGLONG now, size_t limit, ULONGLONG windowMs) {
    size_t recent = 0;
    for (ULONGLONG time : earlierTimes) {
        if (now - time < windowMs) ++recent;
    }
    return recent < limit;
}

// Closed first: the engine lets go of every handler and of its references to the program at once,
// whatever else holds the controller.
void ReleaseWebView() {
    if (webviewController) webviewController->Close();
    webview.Reset();
    webviewController.Reset();
    webviewEnvironment.Reset();
}

void ReleaseEngineReferences() {
    ReleaseWebView();
#define TROV_RELEASE(holder, ...) holder.Reset();
    TROV_ENGINE_EVENTS(TROV_RELEASE)
#undef TROV_RELEASE
}

void ResetEngineForTesting() { host = HostState{}; }
