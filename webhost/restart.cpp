#include "webhost/restart.h"

#include "app/state.h"
#include "webhost/com_handler.h"
#include "webhost/engine.h"
#include "webhost/engine_host.h"
#include "webhost/engine_life.h"
#include "webhost/messages.h"
#include "webhost/navigation_events.h"
#include "webhost/restart_budget.h"
#include "webhost/script_dialogs.h"

namespace {

// A dead engine is started again once its browser process has exited, as its environment says:
// before that its user-data folder may still be in use. Without that word, after this long.
constexpr UINT kBrowserExitWaitMs = 1000;

// What a restart counts; where it stands is the main view's stage (webhost/engine_life.h).
struct RestartState {
    RecoveryBudget engineRestarts;  // the deaths of the engine's browser process that were restarted
    int retries = 0;                // failed attempts of the restart under way
    bool exitSeen = false;          // this environment said that its browser process died
};
RestartState restart;

// Our handler of the environment's BrowserProcessExited, registered on each new environment.
ComRef<ICoreWebView2BrowserProcessExitedEventHandler> browserExitedHandler;

// One attempt of a restart; a window that is already gone gets no new engine. The dead engine's
// environment, kept while its exit was awaited, goes first.
void StartEngineAgain() {
    KillTimer(hMainWnd, kEngineRetryTimer);
    ReleaseEngineReferences();
    if (MainWindowIsGone()) return;
    InitWebView(hMainWnd);
}

// The person finds the focus where they left it: the bar keeps its caret, selection and typing, the
// page gets the keyboard back. Not in a window the person has left: its activation does that later.
void GiveFocusBackAfterRestart() {
    if (GetActiveWindow() == hMainWnd && !IsIconic(hMainWnd)) engineHost.restoreFocus();
}

// Until a new engine arrives, the program is as before the first start (back, forward, refresh,
// home and typed addresses do nothing). Closing and letting go of the dead engine's objects waits
// for the posted message, when none of their callbacks is running.
void MarkDown() {
    engineHost.rememberFocus();  // now, while the dead page may still be the one with the focus
    webviewReady = false;
    isLoading = false;
    ForgetNavigationIds();
    DropPageDialog();
    engineHost.pageAnswersAgain();
    InvalidateRect(hMainWnd, nullptr, FALSE);
}

// The dead view and its handlers go; the page that held the screen is gone, and the new one
// starts in the window.
void LetGoOfDeadView() {
    ReleaseViewAndController();
    engineHost.forgetPageFocus();
    engineHost.leaveFullScreen();
    restart.retries = 0;
}

// The steps of the restart. A close under way ends with the engine: the window goes, and no new
// engine is started for it. Past the last retry, or the restarts' budget, the engine stays down,
// silently, until the person asks for a page.
void Follow(EngineStep step) {
    switch (step) {
    case EngineStep::MarkDown:
        MarkDown();
        PostMessageW(hMainWnd, WM_APP_RESTART_ENGINE, 0, 0);
        break;
    case EngineStep::CloseWithEngine:
        MarkDown();
        engineHost.engineDiedWhileClosing();
        break;
    case EngineStep::PostRestart:
        PostMessageW(hMainWnd, WM_APP_RESTART_ENGINE, 0, 0);
        break;
    case EngineStep::LetGoAndStart:
        LetGoOfDeadView();
        StartEngineAgain();
        break;
    case EngineStep::LetGoAndWait:
        LetGoOfDeadView();
        SetTimer(hMainWnd, kEngineRetryTimer, kBrowserExitWaitMs, nullptr);
        break;
    case EngineStep::LetGoAndPark:
        LetGoOfDeadView();
        ReleaseEngineReferences();
        break;
    case EngineStep::StartAgain:
        StartEngineAgain();
        break;
    case EngineStep::Reopen:  // the same engine, a new view: no death, so no budget is used
        MarkDown();
        LetGoOfDeadView();
        RequestViewIn(hMainWnd);
        break;
    case EngineStep::PostLetGo:
        PostMessageW(hMainWnd, WM_APP_START_FAILED, 0, 0);
        break;
    case EngineStep::ArmRetry:
        ReleaseEngineReferences();
        if (!MainWindowIsGone()) SetTimer(hMainWnd, kEngineRetryTimer, RestartRetryDelayMs(restart.retries++), nullptr);
        break;
    case EngineStep::LetGoOfAttempt:
        ReleaseEngineReferences();
        break;
    case EngineStep::GiveFocusBack:
        restart.retries = 0;
        GiveFocusBackAfterRestart();
        break;
    default:
        break;
    }
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
    Follow(MoveMainView(EngineEvent::ExitHeard));
    return S_OK;
}

// What WM_APP_RESTART_ENGINE finds: for a dead engine, the budget and the exit decide; a restart
// that waits for the exit has heard it.
EngineEvent RestartEvent() {
    if (MainViewStage() != EngineStage::Dead) return EngineEvent::RestartDue;
    // An engine that dies again and again is left down, until the person asks for a page.
    if (!restart.engineRestarts.Take()) return EngineEvent::RestartsSpent;
    if (restart.exitSeen || !webviewEnvironment) return EngineEvent::RestartDue;
    return EngineEvent::RestartAwaitsExit;
}

}  // namespace

void MarkEngineDown() { Follow(MoveMainView(EngineEvent::Died)); }

// A failed first start stays as it is. A restart's failure may be told inside the completion of
// the very environment or controller that failed: its objects are let go of from the posted
// message, once that completion has returned.
void OnStartFailed() { Follow(MoveMainView(EngineEvent::StartFailed)); }

void LetGoOfFailedStart() {
    const bool last = RestartRetryDelayMs(restart.retries) == 0;
    Follow(MoveMainView(last ? EngineEvent::LastAttemptGone : EngineEvent::AttemptGone));
}

void OnStartSucceeded() { Follow(MoveMainView(EngineEvent::Started)); }

bool StartIsRestart() { return MainViewStage() == EngineStage::Restarting; }

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

void RestartEngine() { Follow(MoveMainView(RestartEvent())); }

void ReopenView() {
    if (MainWindowIsGone()) return;
    Follow(MoveMainView(EngineEvent::Reopen));
}

bool StartParkedEngine() {
    if (MainViewStage() != EngineStage::Parked || MainWindowIsGone()) return false;
    restart.retries = 0;
    Follow(MoveMainView(EngineEvent::PageAsked));
    return true;
}

void RetryEngineStart() {
    KillTimer(hMainWnd, kEngineRetryTimer);
    Follow(MoveMainView(EngineEvent::TimerDue));
}

void ResetRestartForTesting() {
    restart = RestartState{};
    ResetMainViewForTesting();
    browserExitedHandler.Reset();
}
