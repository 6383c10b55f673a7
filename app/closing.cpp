#include "app/closing.h"

#include "app/state.h"
#include "webhost/engine_life.h"
#include "webhost/messages.h"
#include "webhost/script_dialogs.h"

#include <WebView2.h>

// A close, from the request to the window's end, as the main view's stage follows it
// (webhost/engine_life.h): WM_CLOSE sends the page to about:blank (Running -> Asking); the page's
// leave question comes through webhost/script_dialogs.cpp (Stay -> Running, Leave waits again);
// about:blank's start is the page letting go (-> Leaving), and its completion posts WM_CLOSE
// (-> Closed), which then destroys the window. kCloseWaitTimer ends a page that neither asks nor
// lets go in time; an engine that dies meanwhile ends the window too (webhost/restart.cpp).

namespace {

constexpr wchar_t kBlank[] = L"about:blank";

UINT64 blankNavigation = 0;  // the id of about:blank's start, for the close under way

// The close's steps of a move of the main view.
void Follow(EngineStep step) {
    switch (step) {
    case EngineStep::WaitAgain:  // a new wait from now: the page made a step towards letting go
        SetTimer(hMainWnd, kCloseWaitTimer, kCloseWaitMs, nullptr);
        break;
    case EngineStep::EndWait:
        KillTimer(hMainWnd, kCloseWaitTimer);
        break;
    case EngineStep::CloseAfterEvent:  // so that the engine is not closed inside its own event
        KillTimer(hMainWnd, kCloseWaitTimer);
        PostMessageW(hMainWnd, WM_CLOSE, 0, 0);
        break;
    case EngineStep::CloseNow:
        KillTimer(hMainWnd, kCloseWaitTimer);
        DestroyWindow(hMainWnd);
        break;
    default:
        break;
    }
}

}  // namespace

bool AskPageBeforeClosing() {
    switch (MainViewStage()) {
    case EngineStage::Closed:
        return false;
    case EngineStage::Asking:
    case EngineStage::Leaving:
        return true;  // the page's question is up, or on its way: nothing more
    default:
        break;
    }
    if (!webviewReady || FAILED(webview->Navigate(kBlank))) return false;
    Follow(MoveMainView(EngineEvent::CloseAsked));
    return true;
}

void CheckPageLettingGo() {
    Follow(MoveMainView(PageDialogPending() ? EngineEvent::WaitOverAsking : EngineEvent::WaitOver));
}

void NoteNavigationStartingWhileClosing(const std::wstring& uri, UINT64 navigationId) {
    if (uri != kBlank) return;
    const EngineStep step = MoveMainView(EngineEvent::BlankStarted);
    if (step == EngineStep::WaitAgain) blankNavigation = navigationId;
    Follow(step);
}

bool NoteNavigationCompletedWhileClosing(UINT64 navigationId) {
    if (MainViewStage() != EngineStage::Leaving || navigationId != blankNavigation) return false;
    Follow(MoveMainView(EngineEvent::BlankCompleted));
    return true;
}

bool LeavingPageToClose() { return MainViewStage() == EngineStage::Leaving; }

bool NoteLeaveAnswerWhileClosing(bool leave) {
    const EngineStep step = MoveMainView(leave ? EngineEvent::Left : EngineEvent::Stayed);
    Follow(step);
    return step != EngineStep::None;
}

void EndCloseWithDeadEngine() { Follow(EngineStep::CloseAfterEvent); }

void ResetClosingForTesting() { blankNavigation = 0; }
