#include "webhost/navigation_events.h"

#include "app/state.h"
#include "webhost/engine.h"
#include "webhost/engine_events.h"
#include "webhost/engine_handlers.h"
#include "webhost/engine_host.h"
#include "webhost/script_dialogs.h"

#include <objbase.h>

#include <string>

namespace {

// What the handlers keep between the engine's events.
struct NavigationState {
    // The id of the last navigation whose start was seen, so that a replaced one's late completion
    // is recognised; navigationStartSeen is false until the first start of the current web view.
    bool navigationStartSeen = false;
    UINT64 lastNavigationId = 0;
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
        engineHost.showAddress(uri);
        currentUrl = uri;
        CoTaskMemFree(uri);
    }
}

HRESULT OnNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
    UINT64 id = 0;
    LPWSTR uri = nullptr;
    if (args && SUCCEEDED(args->get_NavigationId(&id))) RememberStartedNavigation(id);
    if (args) args->get_Uri(&uri);
    const std::wstring started = TakeEngineString(uri);
    NoteStartOfUpgradedNavigation(id, started);
    engineHost.navigationStarting(started, id);
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
    if (engineHost.navigationCompleted(id)) return S_OK;  // about:blank is not shown on the way out
    engineHost.pageAnswersAgain();  // the view shows a page that loaded
    ShowSourceOf(sender);
    return S_OK;
}

// Fragment links and the history API change the address without a new document, and raise no
// navigation events: the bar follows them here, and the loading bar is left as it is.
HRESULT OnSourceChanged(ICoreWebView2* sender, ICoreWebView2SourceChangedEventArgs*) {
    if (engineHost.leavingPageToClose()) return S_OK;  // about:blank is not shown on the way out
    ShowSourceOf(sender);
    return S_OK;
}

}  // namespace

bool RegisterNavigationHandlers() {
    bool registered = true;
    TROV_NAVIGATION_EVENTS(TROV_REGISTER_HANDLER)
    return registered;
}

std::wstring TakeEngineString(LPWSTR text) {
    std::wstring taken = text ? text : L"";
    CoTaskMemFree(text);
    return taken;
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

void ShowAddressOfView() {
    if (webview) ShowSourceOf(webview.Get());
}

void ResetNavigationEventsForTesting() { navigation = NavigationState{}; }
