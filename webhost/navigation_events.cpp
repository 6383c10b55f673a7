#include "webhost/navigation_events.h"

#include "addressbar/address_bar.h"
#include "app/closing.h"
#include "app/focus.h"
#include "app/keyboard.h"
#include "app/unresponsive_page.h"
#include "app/messages.h"
#include "app/popups.h"
#include "app/state.h"
#include "webhost/com_handler.h"
#include "webhost/engine.h"
#include "webhost/engine_events.h"
#include "webhost/restart.h"
#include "webhost/restart_budget.h"
#include "webhost/script_dialogs.h"
#include "webhost/zoom.h"

#include <objbase.h>

#include <string>
#include <type_traits>

namespace {

// What the handlers keep between the engine's events.
struct NavigationState {
    // The id of the last navigation whose start was seen, so that a replaced one's late completion
    // is recognised; navigationStartSeen is false until the first start of the current web view.
    bool navigationStartSeen = false;
    UINT64 lastNavigationId = 0;
    RecoveryBudget pageReloads;  // after the page's renderer died, per page
    std::wstring newWindowUri;   // a page's new window, opened in the view after the event
    // The address Trov made https://, sent and not yet started, then started with that id.
    std::wstring upgradedUrl;
    bool upgradePending = false;
    bool upgradedStarted = false;
    UINT64 upgradedId = 0;
};
NavigationState navigation;

void RememberStartedNavigation(UINT64 id) {
    navigation.navigationStartSeen = true;
    navigation.lastNavigationId = id;
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
    if (!navigation.navigationStartSeen || !args || FAILED(args->get_NavigationId(&id))) return false;
    return id != navigation.lastNavigationId;
}

// The engine reports the address it was sent with its host in lower case and "/" for an empty path.
bool IsSameAddress(const std::wstring& sent, const std::wstring& started) {
    const auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; };
    size_t length = sent.size() - (!sent.empty() && sent.back() == L'/');
    if (started.size() - (!started.empty() && started.back() == L'/') != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (lower(sent[i]) != lower(started[i])) return false;
    }
    return true;
}

// The first start after the upgraded address was sent is its navigation, when it asks for that
// address; a later start with the same id is a redirect: HTTPS answered, and nothing falls back.
void NoteStartOfUpgradedNavigation(UINT64 id, const std::wstring& uri) {
    if (navigation.upgradePending) {
        navigation.upgradePending = false;
        navigation.upgradedStarted = IsSameAddress(navigation.upgradedUrl, uri);
        navigation.upgradedId = id;
    } else if (id == navigation.upgradedId) {
        navigation.upgradedStarted = false;
    }
}

// Once: the HTTP address goes to the engine, whose start and completion then follow as for any other.
bool TriedHttpInstead(ICoreWebView2NavigationCompletedEventArgs* args) {
    UINT64 id = 0;
    if (!navigation.upgradedStarted || !args || FAILED(args->get_NavigationId(&id)) || id != navigation.upgradedId) {
        return false;
    }
    navigation.upgradedStarted = false;
    BOOL success = TRUE;
    COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
    int httpStatusCode = -1;
    args->get_IsSuccess(&success);
    args->get_WebErrorStatus(&status);
    ComRef<ICoreWebView2NavigationCompletedEventArgs2> withStatusCode;
    if (SUCCEEDED(args->QueryInterface(IID_ICoreWebView2NavigationCompletedEventArgs2,
                                       reinterpret_cast<void**>(withStatusCode.ReleaseAndGetAddressOf()))) &&
        withStatusCode && FAILED(withStatusCode->get_HttpStatusCode(&httpStatusCode))) {
        httpStatusCode = -1;
    }
    if (!ShouldTryHttpInstead(success != FALSE, status, httpStatusCode)) return false;
    currentUrl = L"http://" + navigation.upgradedUrl.substr(8);  // after "https://"
    NavigateView(currentUrl);
    return true;
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
    EndUnresponsivePage();
    isLoading = false;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    // A page that crashes on every load would otherwise reload for ever.
    if (navigation.pageReloads.Take(currentUrl) && webview) webview->Reload();
}

HRESULT OnNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
    UINT64 id = 0;
    LPWSTR uri = nullptr;
    if (args && SUCCEEDED(args->get_NavigationId(&id))) RememberStartedNavigation(id);
    if (args) args->get_Uri(&uri);
    const std::wstring started = TakeEngineString(uri);
    NoteStartOfUpgradedNavigation(id, started);
    NoteNavigationStartingWhileClosing(started, id);
    AnswerPageDialogNo(hMainWnd);
    ForgetPageDialogsOfLastPage();
    isLoading = true;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    return S_OK;
}

// Failed navigations are treated like successful ones: the bar clears and the source is shown.
HRESULT OnNavigationCompleted(ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) {
    if (IsReplacedNavigation(args)) return S_OK;
    if (TriedHttpInstead(args)) return S_OK;  // the loading bar stays, and the bar shows the HTTP page
    isLoading = false;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    UINT64 id = 0;
    if (args) args->get_NavigationId(&id);
    if (NoteNavigationCompletedWhileClosing(id)) return S_OK;  // about:blank is not shown on the way out
    EndUnresponsivePage();  // the view shows a page that loaded
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
    case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE:
        if (webviewReady) NotePageUnresponsive();  // said again every few seconds while it lasts
        break;
    default:
        // A subframe's renderer: the page itself works on, only that frame shows an error. The
        // other processes are the runtime's to restart.
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
    EndUnresponsivePage();  // a page that asks something answers again
    PageDialog dialog;
    dialog.kind = PageDialogKindOf(kind);
    dialog.origin = OriginOf(TakeEngineString(uri));
    dialog.message = TakeEngineString(message);
    dialog.defaultText = TakeEngineString(defaultText);
    QueuePageDialog(dialog, args, deferral.Get(), WindowOfView(sender));
    return S_OK;
}

// A popup the person started opens in a window of its own, a request nobody started opens nothing;
// any other new window's page opens in the view, once the event has returned.
HRESULT OnNewWindowRequested(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
    LPWSTR uri = nullptr;
    if (!args || FAILED(args->get_Uri(&uri))) return S_OK;
    const std::wstring address = TakeEngineString(uri);
    if (TakeNewWindowRequest(args, address)) return S_OK;
    args->put_Handled(TRUE);
    navigation.newWindowUri = address;
    if (!navigation.newWindowUri.empty()) PostMessageW(hMainWnd, WM_APP_NEW_WINDOW, 0, 0);
    return S_OK;
}

HRESULT OnZoomFactorChanged(ICoreWebView2Controller* sender, IUnknown*) {
    double factor = 1.0;
    if (sender && SUCCEEDED(sender->get_ZoomFactor(&factor))) NoteZoomShown(factor);
    return S_OK;
}

namespace {

HRESULT OnMoveFocusRequested(ICoreWebView2Controller*, ICoreWebView2MoveFocusRequestedEventArgs* args) {
    if (args && TakeFocusFromPage()) args->put_Handled(TRUE);
    return S_OK;
}

}  // namespace

bool RegisterEngineEventHandlers() {
    bool registered = true;
#define TROV_REGISTER(holder, Interface, source, add, handle)                                             \
    registered = registered && AddHandler(source.Get(), &std::remove_pointer_t<decltype(source.Get())>::add, \
                                          holder, NewHandler(&Interface::Invoke, handle, IID_##Interface));
    TROV_ENGINE_EVENTS(TROV_REGISTER)
#undef TROV_REGISTER
    return registered;
}

void ExpectUpgradedNavigation(const std::wstring& httpsUrl) {
    navigation.upgradedUrl = httpsUrl;
    navigation.upgradePending = !httpsUrl.empty();
    navigation.upgradedStarted = false;
}

// A failed TLS handshake (an HTTP-only server answering HTTPS) has no status of its own: the runtime's
// answer for it is not documented, and both the unknown and the unexpected error count. Without the
// HTTP status code, the unknown error is also what an error page (a 404) completes with, and does not.
bool ShouldTryHttpInstead(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, int httpStatusCode) {
    if (success || httpStatusCode > 0) return false;
    switch (status) {
    case COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT:
    case COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_RESET:
    case COREWEBVIEW2_WEB_ERROR_STATUS_DISCONNECTED:
    case COREWEBVIEW2_WEB_ERROR_STATUS_TIMEOUT:
    case COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR:
        return true;
    case COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN:
        return httpStatusCode == 0;
    default:
        return false;
    }
}

void ForgetNavigationIds() { navigation.navigationStartSeen = false; }

void OpenNewWindowInView() {
    NavigateView(navigation.newWindowUri);
    navigation.newWindowUri.clear();
}

void ShowAddressOfView() {
    if (webview) ShowSourceOf(webview.Get());
}

void ResetNavigationEventsForTesting() { navigation = NavigationState{}; }
