#include "webhost/script_dialogs.h"

#include "app/closing.h"
#include "app/messages.h"
#include "app/popups.h"
#include "app/state.h"
#include "webhost/navigation_events.h"

#include <WebView2.h>

namespace {

// One dialog at a time: the page's script waits for the answer, so it cannot ask again meanwhile.
struct QueuedDialog {
    PageDialog dialog;
    ComRef<ICoreWebView2ScriptDialogOpeningEventArgs> args;
    ComRef<ICoreWebView2Deferral> deferral;
    UINT serial = 0;  // tells a dialog from one queued after it was dropped
    HWND owner = nullptr;  // the window that shows the page: the main window or a popup
};
QueuedDialog queued;
UINT nextSerial = 1;

// This page's dialogs, until the next navigation.
struct PageRecord {
    bool hadDialog = false;
    ULONGLONG lastAnswerAt = 0;
    bool stopped = false;  // the person stopped its dialogs
};
PageRecord page;

// Accept is the page's OK (confirm and the leave question answer true, a prompt its text); not
// calling it is Cancel. The script goes on once the deferral completes.
void AnswerEngine(ICoreWebView2ScriptDialogOpeningEventArgs* args, ICoreWebView2Deferral* deferral,
                  const PageDialog& dialog, const PageDialogAnswer& answer) {
    if (answer.yes && dialog.kind != PageDialogKind::Alert) {
        if (dialog.kind == PageDialogKind::Prompt) args->put_ResultText(answer.text.c_str());
        args->Accept();
    }
    deferral->Complete();
}

// Stay ends a close; a typed address that was refused gives the bar back to the page that stayed.
// A popup's page answers its popup's close.
void FollowLeaveAnswer(HWND owner, bool leave) {
    if (owner != hMainWnd) NotePopupLeaveAnswer(owner, leave);
    else if (!NoteLeaveAnswerWhileClosing(leave) && !leave) ShowAddressOfView();
}

// A stopped page cannot keep the person: its leave question lets it go, its others answer no.
PageDialogAnswer StoppedPageAnswer(PageDialogKind kind) {
    PageDialogAnswer answer;
    answer.yes = kind == PageDialogKind::Leave;
    return answer;
}

}  // namespace

void QueuePageDialog(const PageDialog& dialog, ICoreWebView2ScriptDialogOpeningEventArgs* args,
                     ICoreWebView2Deferral* deferral, HWND owner) {
    if (page.stopped || queued.deferral) {
        const PageDialogAnswer answer = page.stopped ? StoppedPageAnswer(dialog.kind) : PageDialogAnswer{};
        AnswerEngine(args, deferral, dialog, answer);
        if (dialog.kind == PageDialogKind::Leave) FollowLeaveAnswer(owner, answer.yes);
        return;
    }
    queued.dialog = dialog;
    queued.args = args;
    queued.deferral = deferral;
    queued.serial = nextSerial++;
    queued.owner = owner;
    PostMessageW(owner, WM_APP_PAGE_DIALOG, 0, 0);
}

void ShowQueuedPageDialog(HWND owner) {
    if (!queued.deferral) return;
    const UINT serial = queued.serial;
    const bool offerStop = OffersToStopDialogs(page.hadDialog, GetTickCount64() - page.lastAnswerAt);
    const PageDialogAnswer answer = ShowPageDialog(owner, queued.dialog, offerStop);
    if (!queued.deferral || queued.serial != serial) return;  // dropped while it was up
    page.hadDialog = true;
    page.lastAnswerAt = GetTickCount64();
    page.stopped = answer.stopPage;
    // Taken out first: the navigation that Leave lets start may start inside the answer, and is
    // no navigation away from a waiting dialog.
    const PageDialog dialog = queued.dialog;
    ComRef<ICoreWebView2ScriptDialogOpeningEventArgs> args;
    args = queued.args.Get();
    ComRef<ICoreWebView2Deferral> deferral;
    deferral = queued.deferral.Get();
    queued.args.Reset();
    queued.deferral.Reset();
    AnswerEngine(args.Get(), deferral.Get(), dialog, answer);
    if (dialog.kind == PageDialogKind::Leave) FollowLeaveAnswer(owner, answer.yes);
}

bool PageDialogPending() { return PageDialogPendingFor(hMainWnd); }
bool PageDialogPendingFor(HWND owner) { return queued.deferral && queued.owner == owner; }

void ForgetPageDialogsOfLastPage() { page = PageRecord{}; }

void AnswerPageDialogNo(HWND owner) {
    if (!PageDialogPendingFor(owner)) return;
    AnswerEngine(queued.args.Get(), queued.deferral.Get(), queued.dialog, PageDialogAnswer{});
    queued.args.Reset();
    queued.deferral.Reset();
    ClosePageDialog();
}

void DropPageDialog() {
    queued.args.Reset();
    queued.deferral.Reset();
    ClosePageDialog();
}

void DropPageDialogOf(HWND owner) {
    if (PageDialogPendingFor(owner)) DropPageDialog();
}

void ResetPageDialogsForTesting() {
    queued.args.Reset();
    queued.deferral.Reset();
    queued.dialog = PageDialog{};
    page = PageRecord{};
}
