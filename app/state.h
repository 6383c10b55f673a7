// The process-wide state that every part of the browser shares. Touched only by the UI thread.
#pragma once

#include "webhost/com_ref.h"
#include "webhost/webview2.h"

#include <windows.h>

#include <string>
#include <vector>

// The initial values of the fields below, also used to put them back between tests.
inline constexpr int kDefaultToolbarHeight = 64;
inline constexpr int kDefaultMenuHeight = 320;
inline constexpr int kDefaultButtonSize = 48;

extern int toolbarHeight;
extern int menuHeight;
extern int buttonSize;
extern int hoverIndex;
extern ULONG_PTR gdiplusToken;
extern HWND hMainWnd;
extern HWND hAddressBar;
extern WNDPROC oldEditProc;
extern HFONT hUIFont;
extern bool menuOpen;
extern bool isLoading;
extern bool webviewReady;

// Where the keyboard focus was when the window last lost it, so that it can go back there.
enum class FocusPlace { MainWindow, AddressBar, Page };
extern FocusPlace savedFocus;

extern ComRef<ICoreWebView2Environment> webviewEnvironment;
extern ComRef<ICoreWebView2Controller> webviewController;
extern ComRef<ICoreWebView2> webview;
extern ComRef<ICoreWebView2NavigationStartingEventHandler> navStartingHandler;
extern ComRef<ICoreWebView2NavigationCompletedEventHandler> navCompletedHandler;
extern ComRef<ICoreWebView2ProcessFailedEventHandler> processFailedHandler;
extern ComRef<ICoreWebView2SourceChangedEventHandler> sourceChangedHandler;
extern ComRef<ICoreWebView2AcceleratorKeyPressedEventHandler> acceleratorHandler;
extern ComRef<ICoreWebView2ContainsFullScreenElementChangedEventHandler> fullScreenHandler;

// The id of the last navigation whose start was seen, so that a replaced one's late completion is
// recognised; navigationStartSeen is false until the first start of the current web view.
extern bool navigationStartSeen;
extern UINT64 lastNavigationId;

// When the engine was last restarted after its browser process died, and when the page last
// reloaded after its renderer died (for reloadedPageUrl), oldest first: each kept to the limit.
extern std::vector<ULONGLONG> engineRestartTimes;
extern std::vector<ULONGLONG> rendererReloadTimes;
extern std::wstring reloadedPageUrl;

extern const std::wstring homeUrl;
extern const std::wstring searchUrl;
extern std::wstring currentUrl;

// The search engine behind the home page and every search.
inline constexpr wchar_t kSearchHost[] = L"duckduckgo.com";

// Tests only: puts every field back to its initial value, releasing any engine reference.
void ResetAppStateForTesting();
