#include "webhost/webview_host.h"

#include "app/keyboard.h"
#include "app/state.h"
#include "webhost/com_handler.h"

#include <objbase.h>

namespace {

HRESULT OnNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*) {
    isLoading = true;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    return S_OK;
}

// Failed navigations are treated like successful ones: the bar clears and the source is shown.
HRESULT OnNavigationCompleted(ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs*) {
    isLoading = false;
    InvalidateRect(hMainWnd, nullptr, FALSE);
    LPWSTR uri = nullptr;
    sender->get_Source(&uri);
    if (uri) {
        SetWindowTextW(hAddressBar, uri);
        currentUrl = uri;
        CoTaskMemFree(uri);
    }
    return S_OK;
}

HRESULT OnControllerCreated(HRESULT result, ICoreWebView2Controller* controller) {
    // A success code with no object would otherwise be dereferenced below.
    if (FAILED(result) || !controller) return S_OK;
    webviewController = controller;
    webviewController->get_CoreWebView2(webview.ReleaseAndGetAddressOf());
    if (!webview) return S_OK;

    // Visible and sized before it counts as ready; handlers registered before the first navigation.
    webviewController->put_IsVisible(TRUE);
    ResizeWebView();
    webviewReady = true;
    SetFocus(hMainWnd);

    EventRegistrationToken token1 = {};
    navStartingHandler.Attach(new NavigationStartingHandler(OnNavigationStarting));
    webview->add_NavigationStarting(navStartingHandler.Get(), &token1);

    EventRegistrationToken token2 = {};
    navCompletedHandler.Attach(new NavigationCompletedHandler(OnNavigationCompleted));
    webview->add_NavigationCompleted(navCompletedHandler.Get(), &token2);

    // The page's keys reach the shortcuts only through the engine.
    EventRegistrationToken token3 = {};
    acceleratorHandler.Attach(new AcceleratorKeyPressedHandler(OnAcceleratorKeyPressed));
    webviewController->add_AcceleratorKeyPressed(acceleratorHandler.Get(), &token3);

    webview->Navigate(currentUrl.c_str());
    return S_OK;
}

HRESULT OnEnvironmentCreated(HWND hwnd, HRESULT result, ICoreWebView2Environment* environment) {
    if (FAILED(result) || !environment) return S_OK;
    webviewEnvironment = environment;
    // The engine keeps its own reference to the handler for as long as it needs it.
    auto* handler = new ControllerCompletedHandler(OnControllerCreated);
    webviewEnvironment->CreateCoreWebView2Controller(hwnd, handler);
    handler->Release();
    return S_OK;
}

}  // namespace

void InitWebView(HWND hwnd) {
    auto* handler = new EnvironmentCompletedHandler(
        [hwnd](HRESULT result, ICoreWebView2Environment* environment) {
            return OnEnvironmentCreated(hwnd, result, environment);
        });
    CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, handler);
    handler->Release();
}

RECT WebViewBounds(int clientWidth, int clientHeight, bool menuIsOpen, int toolbarHeight, int menuHeight) {
    const int top = menuIsOpen ? toolbarHeight + menuHeight : toolbarHeight;
    // Not clamped: a minimised window's 0 by 0 client area gives a bottom above the top.
    return RECT{0, top, clientWidth, clientHeight};
}

void ResizeWebView() {
    if (!webviewController) return;
    RECT rc;
    GetClientRect(hMainWnd, &rc);
    webviewController->put_Bounds(WebViewBounds(rc.right, rc.bottom, menuOpen, toolbarHeight, menuHeight));
}

void ReleaseWebView() {
    webview.Reset();
    webviewController.Reset();
    webviewEnvironment.Reset();
}
