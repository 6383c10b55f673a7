#include "app/closing.h"

#include "app/state.h"
#include "webhost/messages.h"
#include "webhost/script_dialogs.h"

#include <WebView2.h>

namespace {

constexpr wchar_t kBlank[] = L"about:blank";

struct ClosingState {
    bool asked = false;         // the view was sent to about:blank for a close
    bool leaving = false;       // about:blank started: the page let go
    UINT64 blankNavigation = 0; // the id of that start
    bool letGo = false;         // the page was left: the next WM_CLOSE destroys the window
};
ClosingState closing;

// A new wait from now: the page made a step towards letting go.
void WaitAgain() { SetTimer(hMainWnd, kCloseWaitTimer, kCloseWaitMs, nullptr); }

void EndClose() {
    closing.asked = false;
    closing.leaving = false;
    KillTimer(hMainWnd, kCloseWaitTimer);
}

// The window goes once the engine's event has returned, so that the engine is not closed inside it.
void CloseAfterTheEvent() {
    EndClose();
    closing.letGo = true;
    PostMessageW(hMainWnd, WM_CLOSE, 0, 0);
}

}  // namespace

bool AskPageBeforeClosing() {
    if (closing.letGo) return false;
    if (closing.asked) return true;  // the page's question is up, or on its way: nothing more
    if (!webviewReady || FAILED(webview->Navigate(kBlank))) return false;
    closing.asked = true;
    closing.leaving = false;
    WaitAgain();
    return true;
}

void CheckPageLettingGo() {
    switch (DecideCloseWait(closing.asked, webviewReady, PageDialogPending())) {
    case CloseWait::Stop:
        KillTimer(hMainWnd, kCloseWaitTimer);
        break;
    case CloseWait::Wait:
        break;
    case CloseWait::CloseNow:
        EndClose();
        closing.letGo = true;
        DestroyWindow(hMainWnd);
        break;
    }
}

void NoteNavigationStartingWhileClosing(const std::wstring& uri, UINT64 navigationId) {
    if (!closing.asked || uri != kBlank) return;
    closing.leaving = true;
    closing.blankNavigation = navigationId;
    WaitAgain();
}

bool NoteNavigationCompletedWhileClosing(UINT64 navigationId) {
    if (!closing.leaving || navigationId != closing.blankNavigation) return false;
    CloseAfterTheEvent();
    return true;
}

bool LeavingPageToClose() { return closing.leaving; }

bool NoteLeaveAnswerWhileClosing(bool leave) {
    if (!closing.asked) return false;
    if (leave) WaitAgain();
    else EndClose();
    return true;
}

bool EndCloseWithDeadEngine() {
    if (!closing.asked) return false;
    CloseAfterTheEvent();
    return true;
}

CloseWait DecideCloseWait(bool closeAsked, bool engineReady, bool questionUp) {
    if (!closeAsked) return CloseWait::Stop;
    if (engineReady && questionUp) return CloseWait::Wait;
    return CloseWait::CloseNow;
}

void ResetClosingForTesting() { closing = ClosingState{}; }
