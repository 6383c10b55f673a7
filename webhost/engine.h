// The web engine in the main window: its start-up, the calls the browser makes on it, the view's
// bounds, release. Its restarts are webhost/restart.h's, its events webhost/navigation_events.h's.
#pragma once

#include <windows.h>

#include <string>

// Requests the engine's environment; everything after that happens in the engine's callbacks.
void InitWebView(HWND hwnd);

// Asks the environment for a new view in the window; the controller's callback does the rest.
void RequestViewIn(HWND hwnd);

// What the browser asks of the page. Each does nothing while the engine is not ready, except that
// an engine left down after its restarts gave up is started once more, and shows the last page.
void NavigateView(const std::wstring& url);
void GoBackInView();
void GoForwardInView();
void ReloadView();

// Where the keyboard goes into the page: where its focus was, its first element (Tab), or its last
// (Shift+Tab). False while the engine is not ready, when the focus stays where it is.
enum class PageFocus { WhereItWas, First, Last };
bool MoveFocusIntoPage(PageFocus where);

// Whether the page shows an element full screen now; false without a view.
bool PageHasFullScreenElement();

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

// The view and the controller, with every event handler, go; the environment stays (a restart may
// await its browser process's exit).
void ReleaseViewAndController();

// An answer that arrives after the window was closed (the person closed it during start-up) finds
// nothing to show a view in: the objects it brings stay the engine's.
bool MainWindowIsGone();

// Tests only: forgets the navigation ids, the recovery budgets, a restart under way, a close under
// way, the page's dialogs and whether the view was hidden.
void ResetEngineForTesting();
