// The process-wide state that every part of the browser shares. Touched only by the UI thread.
#pragma once

#include "webhost/com_ref.h"
#include "webhost/engine_events.h"

#include <windows.h>

#include <string>

// The initial values of the fields below, also used to put them back between tests.
inline constexpr int kDefaultToolbarHeight = 64;
inline constexpr int kDefaultMenuHeight = 320;
inline constexpr int kDefaultButtonSize = 48;
// hoverIndex while the pointer is over no button (the toolbar's kSlotNone).
inline constexpr int kNoHoveredSlot = -1;

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
// The panel item with the keyboard focus while the panel was opened by keyboard, else -1.
extern int menuFocusItem;
extern bool isLoading;
extern bool webviewReady;

// The engine's interfaces, declared ahead for the holders below: only the code that calls the
// engine compiles against its SDK header, not every part that reads the shared state.
struct ICoreWebView2Environment;
struct ICoreWebView2Controller;
struct ICoreWebView2;
#define TROV_DECLARE_INTERFACE(holder, Interface, ...) struct Interface;
TROV_ENGINE_EVENTS(TROV_DECLARE_INTERFACE)
#undef TROV_DECLARE_INTERFACE

extern ComRef<ICoreWebView2Environment> webviewEnvironment;
extern ComRef<ICoreWebView2Controller> webviewController;
extern ComRef<ICoreWebView2> webview;
// Our handler object of each engine event that the browser follows.
#define TROV_DECLARE_HOLDER(holder, Interface, ...) extern ComRef<Interface> holder;
TROV_ENGINE_EVENTS(TROV_DECLARE_HOLDER)
#undef TROV_DECLARE_HOLDER

extern const std::wstring homeUrl;
extern const std::wstring searchUrl;
extern std::wstring currentUrl;

// The search engine behind the home page and every search.
inline constexpr wchar_t kSearchHost[] = L"duckduckgo.com";

// Tests only: puts every field back to its initial value, releasing any engine reference.
void ResetAppStateForTesting();
