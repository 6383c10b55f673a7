// Hosting the web engine in the main window: start-up, navigation events, bounds, release.
#pragma once

#include <windows.h>

#include <vector>

// Requests the engine's environment; everything after that happens in the engine's callbacks.
void InitWebView(HWND hwnd);

// Places the web view below the toolbar, and below the menu panel while it is open.
void ResizeWebView();

// The web view's rectangle in client pixels, for a client area of the given size, below a toolbar
// band of barHeight and, while the panel is open, a panel of panelHeight.
RECT WebViewBounds(int clientWidth, int clientHeight, bool panelOpen, int barHeight, int panelHeight);

// At window destruction: releases the web view, the controller and the environment, in that order.
void ReleaseWebView();

// When the message loop has ended, however it ended: releases whatever the program still holds of
// the engine, the handler objects included, while COM is still running.
void ReleaseEngineReferences();

// Whether one more recovery from an engine failure may run at `now` (milliseconds), given when the
// earlier ones ran: fewer than `limit` of them within the last `windowMs`.
bool RecoveryAllowed(const std::vector<ULONGLONG>& earlierTimes, ULONGLONG now, size_t limit, ULONGLONG windowMs);

// Tests only: forgets the navigation ids and the recovery budgets.
void ResetWebHostForTesting();
