#include "app/state.h"

#include "webhost/engine_events.h"

#include <WebView2.h>

int toolbarHeight = kDefaultToolbarHeight;
int menuHeight = kDefaultMenuHeight;
int buttonSize = kDefaultButtonSize;
int hoverIndex = kNoHoveredSlot;
ULONG_PTR gdiplusToken = 0;
HWND hMainWnd = nullptr;
HWND hAddressBar = nullptr;
WNDPROC oldEditProc = nullptr;
HFONT hUIFont = nullptr;
bool menuOpen = false;
int menuFocusItem = -1;
bool isLoading = false;
bool webviewReady = false;

// Constructed in this order before WinMain runs, destroyed in reverse at exit; the holders come
// first so that the strings are gone before the references release, and currentUrl copies homeUrl
// only once it is complete (all in one translation unit, so the order is the order written).
ComRef<ICoreWebView2Environment> webviewEnvironment;
ComRef<ICoreWebView2Controller> webviewController;
ComRef<ICoreWebView2> webview;
#define TROV_DEFINE_HOLDER(holder, Interface, ...) ComRef<Interface> holder;
TROV_ENGINE_EVENTS(TROV_DEFINE_HOLDER)
#undef TROV_DEFINE_HOLDER
const std::wstring homeUrl = std::wstring(L"https://") + kSearchHost + L"/";
const std::wstring searchUrl = std::wstring(L"https://") + kSearchHost + L"/?q=";
std::wstring currentUrl = homeUrl;

void ResetAppStateForTesting() {
    webview.Reset();
    webviewController.Reset();
    webviewEnvironment.Reset();
#define TROV_RESET_HOLDER(holder, ...) holder.Reset();
    TROV_ENGINE_EVENTS(TROV_RESET_HOLDER)
#undef TROV_RESET_HOLDER
    toolbarHeight = kDefaultToolbarHeight;
    menuHeight = kDefaultMenuHeight;
    buttonSize = kDefaultButtonSize;
    hoverIndex = kNoHoveredSlot;
    hMainWnd = nullptr;
    hAddressBar = nullptr;
    oldEditProc = nullptr;
    menuOpen = false;
    menuFocusItem = -1;
    isLoading = false;
    webviewReady = false;
    currentUrl = homeUrl;
}
