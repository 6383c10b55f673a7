#include "app/unresponsive_page.h"

#include "app/dialog_template.h"
#include "app/focus.h"
#include "app/messages.h"
#include "app/page_dialogs.h"
#include "app/state.h"
#include "app/tooltips.h"
#include "webhost/com_handler.h"
#include "webhost/restart.h"

#include <WebView2.h>

namespace {

// After "wait" the page has this long before Trov asks again; the engine's reports meanwhile, every
// few seconds, ask nothing.
constexpr ULONGLONG kWaitBeforeAskingAgainMs = 10000;

// In dialog units.
constexpr short kWidth = 240;
constexpr short kMargin = 7;
constexpr short kMessageHeight = 30;
constexpr short kButtonWidth = 56;
constexpr short kButtonHeight = 14;
constexpr short kGap = 6;

// One run of reports, from the first until the page answers again or goes.
struct UnresponsiveRun {
    bool active = false;
    bool asking = false;        // the question is up, or posted
    bool waited = false;        // the person chose to wait, at waitedAt
    ULONGLONG waitedAt = 0;
    UINT serial = 0;            // tells this run's script answer from an earlier run's
};
UnresponsiveRun run;
UINT nextSerial = 1;
HWND openDialog = nullptr;

// The engine runs the script only once the page's own script has let go: its answer is the page
// answering again. An answer that reports a failure (the page went) ends the run just as well.
void AskEngineToRunScript() {
    if (!webview) return;
    const UINT serial = run.serial;
    auto* handler = new Handler<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>(
        [serial](HRESULT, LPCWSTR) {
            if (run.active && run.serial == serial) EndUnresponsivePage();
            return S_OK;
        },
        IID_ICoreWebView2ExecuteScriptCompletedHandler);
    webview->ExecuteScript(L"0", handler);
    handler->Release();
}

DialogTemplate BuildTemplate() {
    const short buttonTop = kMargin + kMessageHeight + kGap;
    DialogTemplate dialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, kWidth,
                                  buttonTop + kButtonHeight + kMargin, 3, L"Microsoft YaHei UI");
    dialogTemplate.AddItem(SS_LEFT | SS_NOPREFIX, kMargin, kMargin, kWidth - 2 * kMargin, kMessageHeight,
                           kPageDialogMessageId, kDialogStaticClass);
    const short right = kWidth - kMargin;
    dialogTemplate.AddItem(BS_DEFPUSHBUTTON | WS_TABSTOP, right - 2 * kButtonWidth - kGap, buttonTop, kButtonWidth,
                           kButtonHeight, IDOK, kDialogButtonClass);
    dialogTemplate.AddItem(BS_PUSHBUTTON | WS_TABSTOP, right - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight,
                           kUnresponsiveReopenId, kDialogButtonClass);
    return dialogTemplate;
}

// Enter and Escape (and the caption's close button) wait; only the button reopens.
INT_PTR CALLBACK UnresponsiveDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        openDialog = hwnd;
        SetWindowTextW(hwnd, OriginOf(currentUrl).c_str());
        SetDlgItemTextW(hwnd, kPageDialogMessageId, L"此页面没有响应。\n你可以等待它响应，或重新打开此页面。");
        SetDlgItemTextW(hwnd, IDOK, L"等待");
        SetDlgItemTextW(hwnd, kUnresponsiveReopenId, L"重新打开");
        SetFocus(GetDlgItem(hwnd, IDOK));
        return FALSE;  // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(hwnd, IDOK);
            return TRUE;
        case kUnresponsiveReopenId:
            EndDialog(hwnd, kUnresponsiveReopenId);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

bool AsksAboutUnresponsivePage(bool asking, bool waited, ULONGLONG sinceWaitMs) {
    return !asking && (!waited || sinceWaitMs >= kWaitBeforeAskingAgainMs);
}

void NotePageUnresponsive() {
    if (!run.active) {
        run = UnresponsiveRun{};
        run.active = true;
        run.serial = nextSerial++;
        AskEngineToRunScript();
    }
    if (!AsksAboutUnresponsivePage(run.asking, run.waited, GetTickCount64() - run.waitedAt)) return;
    run.asking = true;
    PostMessageW(hMainWnd, WM_APP_UNRESPONSIVE_PAGE, 0, 0);
}

void AskAboutUnresponsivePage(HWND owner) {
    if (!run.asking || !webviewReady) return;  // the page answered, or went, before its turn
    const UINT serial = run.serial;
    const DialogTemplate dialogTemplate = BuildTemplate();
    HideToolbarTip();
    RememberFocus();
    const INT_PTR answer = DialogBoxIndirectParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                                                   dialogTemplate.Get(), owner, UnresponsiveDialogProc, 0);
    openDialog = nullptr;
    if (!IsWindow(owner)) return;
    if (!run.active || run.serial != serial) {  // closed by itself: the page answers, or went
        RestoreFocus();
        return;
    }
    run.asking = false;
    if (answer == kUnresponsiveReopenId) {
        EndUnresponsivePage();
        ReopenView();  // gives the focus back once the new view is there
        return;
    }
    RestoreFocus();
    run.waited = true;
    run.waitedAt = GetTickCount64();
}

void EndUnresponsivePage() {
    if (!run.active) return;
    run = UnresponsiveRun{};
    if (openDialog) EndDialog(openDialog, 0);
}

HWND OpenUnresponsiveDialog() { return openDialog; }

void ResetUnresponsivePageForTesting() {
    run = UnresponsiveRun{};
    openDialog = nullptr;
}
