#include "webhost/engine.h"

#include "app/closing.h"
#include "app/fullscreen.h"
#include "app/popups.h"
#include "app/state.h"
#include "app/unresponsive_page.h"
#include "webhost/com_handler.h"
#include "webhost/engine_events.h"
#include "webhost/navigation_events.h"
#include "webhost/restart.h"
#include "webhost/script_dialogs.h"
#include "webhost/user_data_folder.h"
#include "webhost/zoom.h"

#include <string>

namespace {

bool viewHidden = false;  // put_IsVisible(FALSE) while the window is minimised

// The page's questions come to ScriptDialogOpening, so that Trov knows their answers. The setting
// holds for the documents loaded after it, so it comes before the first navigation.
void TakeOverScriptDialogs() {
    ComRef<ICoreWebView2Settings> settings;
    if (SUCCEEDED(webview->get_Settings(settings.ReleaseAndGetAddressOf())) && settings) {
        settings->put_AreDefaultScriptDialogsEnabled(FALSE);
    }
}

HRESULT OnControllerCreated(HRESULT result, ICoreWebView2Controller* controller) {
    if (MainWindowIsGone()) return S_OK;
    // A success code with no object would otherwise be dereferenced below.
    if (FAILED(result) || !controller) {
        OnStartFailed();
        return S_OK;
    }
    webviewController = controller;
    webviewController->get_CoreWebView2(webview.ReleaseAndGetAddressOf());
    if (!webview) {
        OnStartFailed();
        return S_OK;
    }

    // Visible (unless the window is minimised) and sized before it counts as ready; handlers
    // registered before the first navigation.
    viewHidden = IsIconic(hMainWnd) != FALSE;
    webviewController->put_IsVisible(viewHidden ? FALSE : TRUE);
    ResizeWebView();
    webviewReady = true;
    if (!StartIsRestart()) SetFocus(hMainWnd);

    TakeOverScriptDialogs();
    // A view that would miss one of its events is not used: the start failed, as without a controller.
    if (!RegisterEngineEventHandlers()) {
        webviewReady = false;
        OnStartFailed();
        return S_OK;
    }
    OnStartSucceeded();
    webview->Navigate(currentUrl.c_str());
    return S_OK;
}

HRESULT OnEnvironmentCreated(HWND hwnd, HRESULT result, ICoreWebView2Environment* environment) {
    // Asked for by a window that went meanwhile, and a new one took its place: that one asked too.
    if (MainWindowIsGone() || hwnd != hMainWnd) return S_OK;
    if (FAILED(result) || !environment) {
        RemoveUnusedUserDataFolder();
        OnStartFailed();
        return S_OK;
    }
    webviewEnvironment = environment;
    KeepUserDataFolder();
    ListenForBrowserExit();
    RequestViewIn(hwnd);
    return S_OK;
}

}  // namespace

void RequestViewIn(HWND hwnd) {
    // The engine keeps its own reference to the handler for as long as it needs it.
    auto* handler = new ControllerCompletedHandler(OnControllerCreated);
    const HRESULT requested = webviewEnvironment->CreateCoreWebView2Controller(hwnd, handler);
    handler->Release();
    if (FAILED(requested)) OnStartFailed();  // no answer comes for a request that was refused
}

// Every handler goes with the controller: closing it lets go of them all at once. The popups, whose
// views are the same engine's, go first.
void ReleaseViewAndController() {
    CloseAllPopups();
    if (webviewController) webviewController->Close();
    webview.Reset();
    webviewController.Reset();
#define TROV_RELEASE(holder, ...) holder.Reset();
    TROV_ENGINE_EVENTS(TROV_RELEASE)
#undef TROV_RELEASE
    viewHidden = false;
    ForgetZoom();
    EndUnresponsivePage();
}

bool MainWindowIsGone() { return !IsWindow(hMainWnd); }

void InitWebView(HWND hwnd) {
    auto* handler = new EnvironmentCompletedHandler(
        [hwnd](HRESULT result, ICoreWebView2Environment* environment) {
            return OnEnvironmentCreated(hwnd, result, environment);
        });
    const std::wstring userData = PrepareUserDataFolder();
    const HRESULT requested = CreateCoreWebView2EnvironmentWithOptions(
        nullptr, userData.empty() ? nullptr : userData.c_str(), nullptr, handler);
    handler->Release();
    if (FAILED(requested)) {  // no answer comes for a request that was refused
        RemoveUnusedUserDataFolder();
        OnStartFailed();
    }
}

void NavigateView(const std::wstring& url) {
    if (webviewReady && webview) webview->Navigate(url.c_str());
}

void GoBackInView() {
    if (webviewReady) webview->GoBack();
    else StartParkedEngine();
}
void GoForwardInView() {
    if (webviewReady) webview->GoForward();
    else StartParkedEngine();
}
void ReloadView() {
    if (webviewReady) webview->Reload();
    else StartParkedEngine();
}

bool MoveFocusIntoPage(PageFocus where) {
    if (!webviewReady) return false;  // the controller is there once the view is ready
    const COREWEBVIEW2_MOVE_FOCUS_REASON reason = where == PageFocus::First  ? COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT
                                                  : where == PageFocus::Last ? COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS
                                                                             : COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC;
    webviewController->MoveFocus(reason);
    return true;
}

bool PageHasFullScreenElement() {
    BOOL contains = FALSE;
    if (webview) webview->get_ContainsFullScreenElement(&contains);
    return contains != FALSE;
}

// The view is shown again before it gets its bounds, so that it lays out at the restored size.
void ShowWebViewFor(WPARAM sizeType) {
    if (!webviewController) return;
    if (sizeType == SIZE_MINIMIZED && !viewHidden) {
        webviewController->put_IsVisible(FALSE);
        viewHidden = true;
    } else if ((sizeType == SIZE_RESTORED || sizeType == SIZE_MAXIMIZED) && viewHidden) {
        webviewController->put_IsVisible(TRUE);
        viewHidden = false;
    }
}

void NotifyWebViewMoved() {
    if (webviewController) webviewController->NotifyParentWindowPositionChanged();
}

RECT WebViewBounds(int clientWidth, int clientHeight, bool panelOpen, int barHeight, int panelHeight) {
    const int top = panelOpen ? barHeight + panelHeight : barHeight;
    // Not clamped: a minimised window's 0 by 0 client area gives a bottom above the top.
    return RECT{0, top, clientWidth, clientHeight};
}

void ResizeWebView() {
    if (!webviewController) return;
    RECT rc = {};  // stays empty if the window is already gone
    GetClientRect(hMainWnd, &rc);
    // Full screen, the band is hidden and the view takes the whole client area.
    const bool bandShown = !IsFullScreen();
    webviewController->put_Bounds(
        WebViewBounds(rc.right, rc.bottom, menuOpen && bandShown, bandShown ? toolbarHeight : 0, menuHeight));
}

// Closed first: the engine lets go of every handler and of its references to the program at once,
// whatever else holds the controller.
void ReleaseWebView() {
    CloseAllPopups();
    DropPageDialog();
    if (webviewController) webviewController->Close();
    webview.Reset();
    webviewController.Reset();
    webviewEnvironment.Reset();
}

void ReleaseEngineReferences() {
    ReleaseViewAndController();
    webviewEnvironment.Reset();
    StopListeningForBrowserExit();
}

void ResetEngineForTesting() {
    viewHidden = false;
    ForgetZoom();
    ResetRestartForTesting();
    ResetNavigationEventsForTesting();
    ResetClosingForTesting();
    ResetPageDialogsForTesting();
    ResetUnresponsivePageForTesting();
}
