#include "webhost/restart.h"

#include "app/state.h"
#include "webhost/com_handler.h"
#include "webhost/engine.h"
#include "webhost/engine_host.h"
#include "webhost/messages.h"
#include "webhost/navigation_events.h"
#include "webhost/restart_budget.h"
#include "webhost/script_dialogs.h"

namespace {

// A dead engine is started again once its browser process has exited, as its environment says:
// before that its user-data folder may still be in use. Without that word, after this long.
constexpr UINT kBrowserExitWaitMs = 1000;

// Where a restart stands, between the engine's events and the posted messages and timers.
struct RestartState {
    RecoveryBudget engineRestarts;  // the deaths of the engine's browser process that were restarted
    bool restarting = false;        // the start under way is a restart: it is retried, and gives the focus back
    int retries = 0;                // failed attempts of the restart under way
    bool retryDue = false;          // kEngineRetryTimer is armed for the next attempt
    bool engineParked = false;      // a restart gave up: the person's next request for a page starts it
    bool exitSeen = false;          // the environment said that its browser process died
    bool awaitingExit = false;      // a restart waits for that word, kEngineRetryTimer as its fallback
};
RestartState restart;

// Our handler of the environment's BrowserProcessExited, registered on each new environment.
ComRef<ICoreWebView2BrowserProcessExitedEventHandler> browserExitedHandler;

// One attempt of a restart; a window that is already gone gets no new engine. The dead engine's
// environment, kept while its exit was awaited, goes first.
void StartEngineAgain() {
    restart.restarting = false;
    restart.awaitingExit = false;
    ReleaseEngineReferences();
    if (MainWindowIsGone()) return;
    restart.restarting = true;
    InitWebView(hMainWnd);
}

// The person finds the focus where they left it: the bar keeps its caret, selection and typing, the
// page gets the keyboard back. Not in a window the person has left: its activation does that later.
void GiveFocusBackAfterRestart() {
    if (GetActiveWindow() == hMainWnd && !IsIconic(hMainWnd)) engineHost.restoreFocus();
}

// The environment's word that its browser process and everything it held are gone; raised besides
// ProcessFailed, before or after it. A dead engine whose restart waits for it starts now; heard
// first, it marks the engine down, and the restart needs no wait. Said twice, it counts once.
HRESULT OnBrowserProcessExited(ICoreWebView2Environment* sender, ICoreWebView2BrowserProcessExitedEventArgs* args) {
    COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind = COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_NORMAL;
    if (!args || FAILED(args->get_BrowserProcessExitKind(&kind))) return S_OK;
    if (kind != COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED || sender != webviewEnvironment.Get()) return S_OK;
    if (restart.exitSeen) return S_OK;
    restart.exitSeen = true;
    if (webviewReady) MarkEngineDown();
    else if (restart.awaitingExit) PostMessageW(hMainWnd, WM_APP_RESTART_ENGINE, 0, 0);
    return S_OK;
}

}  // namespace

// Its event only marks the engine down: until a new one arrives, the program is as before the first
// start (back, forward, refresh, home and typed addresses do nothing). Closing and letting go of the
// dead engine's objects waits for the posted message, when none of their callbacks is running.
// A close under way ends with the engine: the window goes, and no new engine is started for it.
void MarkEngineDown() {
    engineHost.rememberFocus();  // now, while the dead page may still be the one with the focus
    webviewReady = false;
    isLoading = false;
    ForgetNavigationIds();
    DropPageDialog();
    engineHost.pageAnswersAgain();
    InvalidateRect(hMainWnd, nullptr, FALSE);
    if (!engineHost.engineDiedWhileClosing()) PostMessageW(hMainWnd, WM_APP_RESTART_ENGINE, 0, 0);
}

// The failure may be told inside the completion of the very environment or controller that failed:
// its objects are let go of from the posted message, once that completion has returned.
void OnStartFailed() {
    if (!restart.restarting) return;
    restart.restarting = false;
    PostMessageW(hMainWnd, WM_APP_START_FAILED, 0, 0);
}

// Past the last retry the engine stays down, silently, until the person asks for a page.
void LetGoOfFailedStart() {
    ReleaseEngineReferences();
    if (MainWindowIsGone()) return;
    const UINT delay = RestartRetryDelayMs(restart.retries++);
    if (delay == 0) {
        restart.engineParked = true;
        return;
    }
    restart.retryDue = true;
    SetTimer(hMainWnd, kEngineRetryTimer, delay, nullptr);
}

void OnStartSucceeded() {
    const bool restarted = restart.restarting;
    restart.restarting = false;
    restart.retries = 0;
    if (restarted) GiveFocusBackAfterRestart();
}

bool StartIsRestart() { return restart.restarting; }

// Environments of runtimes older than the event do without it: the wait's fallback restarts them.
void ListenForBrowserExit() {
    restart.exitSeen = false;
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

void StopListeningForBrowserExit() { browserExitedHandler.Reset(); }

void RestartEngine() {
    if (restart.awaitingExit) {  // the exit came before the wait's end
        KillTimer(hMainWnd, kEngineRetryTimer);
        restart.retryDue = false;
        StartEngineAgain();
        return;
    }
    ReleaseViewAndController();  // the events' handlers with them
    engineHost.forgetPageFocus();
    // The page that held the screen is gone, and the new one starts in the window.
    engineHost.leaveFullScreen();
    restart.retries = 0;
    // An engine that dies again and again is left down, until the person asks for a page.
    if (!restart.engineRestarts.Take()) {
        ReleaseEngineReferences();
        restart.engineParked = true;
        return;
    }
    if (restart.exitSeen || !webviewEnvironment) {
        StartEngineAgain();
        return;
    }
    restart.awaitingExit = true;
    restart.retryDue = true;
    SetTimer(hMainWnd, kEngineRetryTimer, kBrowserExitWaitMs, nullptr);
}

// The page's view is closed and a new one asked of the same engine, which opens currentUrl, the
// page's address: the engine did not die, so its budget of deaths is not used; a failed attempt
// is tried again as a restart's is.
void ReopenView() {
    if (!webviewReady || MainWindowIsGone()) return;
    engineHost.rememberFocus();
    webviewReady = false;
    isLoading = false;
    ForgetNavigationIds();
    DropPageDialog();
    ReleaseViewAndController();
    engineHost.forgetPageFocus();
    engineHost.leaveFullScreen();
    InvalidateRect(hMainWnd, nullptr, FALSE);
    restart.retries = 0;
    restart.restarting = true;
    RequestViewIn(hMainWnd);
}

bool StartParkedEngine() {
    if (!restart.engineParked || MainWindowIsGone()) return false;
    restart.engineParked = false;
    restart.retries = 0;
    StartEngineAgain();
    return true;
}

void RetryEngineStart() {
    KillTimer(hMainWnd, kEngineRetryTimer);
    if (!restart.retryDue) return;
    restart.retryDue = false;
    StartEngineAgain();
}

void ResetRestartForTesting() {
    restart = RestartState{};
    browserExitedHandler.Reset();
}
