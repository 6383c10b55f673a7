#include "app/state.h"

int toolbarHeight = 64;
int menuHeight = 320;
int buttonSize = 48;
int hoverIndex = -1;
ULONG_PTR gdiplusToken = 0;
HWND hMainWnd = nullptr;
HWND hAddressBar = nullptr;
WNDPROC oldEditProc = nullptr;
HFONT hUIFont = nullptr;
bool menuOpen = false;
bool isLoading = false;
bool webviewReady = false;
FocusPlace savedFocus = FocusPlace::MainWindow;

// Constructed in this order before WinMain runs, destroyed in reverse at exit; the holders come
// first so that the strings are gone before the references release, and currentUrl copies homeUrl
// only once it is complete (all in one translation unit, so the order is the order written).
ComRef<ICoreWebView2Environment> webviewEnvironment;
ComRef<ICoreWebView2Controller> webviewController;
ComRef<ICoreWebView2> webview;
ComRef<ICoreWebView2NavigationStartingEventHandler> navStartingHandler;
ComRef<ICoreWebView2NavigationCompletedEventHandler> navCompletedHandler;
ComRef<ICoreWebView2AcceleratorKeyPressedEventHandler> acceleratorHandler;
const std::wstring homeUrl = std::wstring(L"https://") + kSearchHost + L"/";
const std::wstring searchUrl = std::wstring(L"https://") + kSearchHost + L"/?q=";
std::wstring currentUrl = homeUrl;

void ResetAppStateForTesting() {
    webview.Reset();
    webviewController.Reset();
    webviewEnvironment.Reset();
    acceleratorHandler.Reset();
    navCompletedHandler.Reset();
    navStartingHandler.Reset();
    toolbarHeight = 64;
    menuHeight = 320;
    buttonSize = 48;
    hoverIndex = -1;
    hMainWnd = nullptr;
    hAddressBar = nullptr;
    oldEditProc = nullptr;
    menuOpen = false;
    isLoading = false;
    webviewReady = false;
    savedFocus = FocusPlace::MainWindow;
    currentUrl = homeUrl;
}
