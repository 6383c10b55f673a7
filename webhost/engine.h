// The web engine in the main window: start-up and restarts, its events, the calls the browser makes
// on it, the view's bounds, release.
#pragma once

#include <windows.h>

#include <string>

// Requests the engine's environment; everything after that happens in the engine's callbacks.
void InitWebView(HWND hwnd);

// WM_APP_RESTART_ENGINE: closes and lets go of the dead engine's view, once, and starts a new engine
// when its browser process has exited (kEngineRetryTimer does after a second without that word).
void RestartEngine();

// kEngineRetryTimer: the next attempt of a restart whose last attempt failed.
void RetryEngineStart();

// What the browser asks of the page. Each does nothing while the engine is not ready, except that
// an engine left down after its restarts gave up is started once more, and shows the last page.
void NavigateView(const std::wstring& url);
void GoBackInView();
void GoForwardInView();
void ReloadView();

// WM_APP_NEW_WINDOW: the address a page asked a new window for, in the view.
void OpenNewWindowInView();

// The bar and currentUrl show the view's own address: the page stayed (a refused navigation).
void ShowAddressOfView();

// Where the keyboard goes into the page: where its focus was, its first element (Tab), or its last
// (Shift+Tab). False while the engine is not ready, when the focus stays where it is.
enum class PageFocus { WhereItWas, First, Last };
bool MoveFocusIntoPage(PageFocus where);

// Whether the page shows an element full screen now; false without a view.
bool PageHasFullScreenElement();

// The person asked for a page (a typed address, refresh, home, back or forward) while a restart
// had given up: starts the engine once more, which then opens currentUrl. False when the engine is
// not waiting for that (it is running, starting, or never started).
bool StartParkedEngine();

// A step of WM_SIZE, before the bounds: a minimised window hides the view, the next restore or
// maximise shows it again.
void ShowWebViewFor(WPARAM sizeType);

// WM_MOVE and WM_MOVING: the engine places its own popups and accessibility data by the window.
void NotifyWebViewMoved();

// Places the web view below the toolbar, and below the menu panel while it is open.
void ResizeWebView();

// The web view's rectangle in client pixels, for a client area of the given size, below a toolbar
// band of barHeight and, while the panel is open, a panel of panelHeight.
RECT WebViewBounds(int clientWidth, int clientHeight, bool panelOpen, int barHeight, int panelHeight);

// At window destruction: closes the controller, then releases the web view, the controller and the
// environment, in that order.
void ReleaseWebView();

// When the message loop has ended, however it ended: releases whatever the program still holds of
// the engine, the handler objects included, while COM is still running.
void ReleaseEngineReferences();

// Tests only: forgets the navigation ids, the recovery budgets, a restart under way, a close under
// way, the page's dialogs and whether the view was hidden.
void ResetEngineForTesting();
