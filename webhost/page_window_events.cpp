#include "webhost/page_window_events.h"

#include "app/state.h"
#include "webhost/engine.h"
#include "webhost/engine_events.h"
#include "webhost/engine_handlers.h"
#include "webhost/engine_host.h"
#include "webhost/messages.h"
#include "webhost/script_dialogs.h"

#include <string>

namespace {

std::wstring newWindowUri;  // a page's new window, opened in the view after the event

// Asked by the window procedure, once the event has returned: a message posted before a restart
// finds the new view.
HRESULT OnContainsFullScreenElementChanged(ICoreWebView2*, IUnknown*) {
    PostMessageW(hMainWnd, WM_APP_FULLSCREEN, 0, 0);
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

}  // namespace

// The page's script waits on the deferral; the dialog, owned by the window that shows the page, is
// shown from the message loop.
HRESULT OnScriptDialogOpening(ICoreWebView2* sender, ICoreWebView2ScriptDialogOpeningEventArgs* args) {
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
    engineHost.pageAnswersAgain();  // a page that asks something answers again
    PageDialog dialog;
    dialog.kind = PageDialogKindOf(kind);
    dialog.origin = OriginOf(TakeEngineString(uri));
    dialog.message = TakeEngineString(message);
    dialog.defaultText = TakeEngineString(defaultText);
    QueuePageDialog(dialog, args, deferral.Get(), engineHost.windowOfView(sender));
    return S_OK;
}

// A popup the person started opens in a window of its own, a request nobody started opens nothing;
// any other new window's page opens in the view, once the event has returned.
HRESULT OnNewWindowRequested(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
    LPWSTR uri = nullptr;
    if (!args || FAILED(args->get_Uri(&uri))) return S_OK;
    const std::wstring address = TakeEngineString(uri);
    if (engineHost.newWindowRequested(args, address)) return S_OK;
    args->put_Handled(TRUE);
    newWindowUri = address;
    if (!newWindowUri.empty()) PostMessageW(hMainWnd, WM_APP_NEW_WINDOW, 0, 0);
    return S_OK;
}

bool RegisterFullScreenHandlers() {
    bool registered = true;
    TROV_FULL_SCREEN_EVENTS(TROV_REGISTER_HANDLER)
    return registered;
}

bool RegisterPageDialogAndWindowHandlers() {
    bool registered = true;
    TROV_PAGE_DIALOG_AND_WINDOW_EVENTS(TROV_REGISTER_HANDLER)
    return registered;
}

void OpenNewWindowInView() {
    NavigateView(newWindowUri);
    newWindowUri.clear();
}

void ResetPageWindowEventsForTesting() { newWindowUri.clear(); }
