#include "webhost/failure_events.h"

#include "app/state.h"
#include "webhost/engine_events.h"
#include "webhost/engine_handlers.h"
#include "webhost/engine_host.h"
#include "webhost/restart.h"
#include "webhost/restart_budget.h"
#include "webhost/script_dialogs.h"

namespace {

RecoveryBudget pageReloads;  // after the page's renderer died, per page

// The page's renderer died: the view is alive but blank, and the crashed navigation never completes.
void ReloadCrashedPage() {
    DropPageDialog();  // its page is gone
    engineHost.pageAnswersAgain();
    isLoading = false;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    // A page that crashes on every load would otherwise reload for ever.
    if (pageReloads.Take(currentUrl) && webview) webview->Reload();
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
    case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE:
        if (webviewReady) engineHost.pageUnresponsive();  // said again every few seconds while it lasts
        break;
    default:
        // A subframe's renderer: the page itself works on, only that frame shows an error. The
        // other processes are the runtime's to restart.
        break;
    }
    return S_OK;
}

}  // namespace

bool RegisterFailureHandlers() {
    bool registered = true;
    TROV_FAILURE_EVENTS(TROV_REGISTER_HANDLER)
    return registered;
}

void ResetFailureEventsForTesting() { pageReloads = RecoveryBudget{}; }
