// Closing the window: the page is left first (sent to about:blank), so that it can ask its
// question before it goes; the window closes when it has been left, stays when the person stays.
// Where a close stands is the main view's stage (webhost/engine_life.h).
#pragma once

#include <windows.h>

#include <string>

// How long a closing window (the main window or a popup) waits for the page to ask or to start
// leaving, and, after Leave or the start, for the page to be left. The page's handlers run
// meanwhile: one that runs longer is taken as hung, and the window closes anyway.
inline constexpr UINT kCloseWaitMs = 2000;

// WM_CLOSE: while the view is ready, sends it to about:blank and returns true: the window closes
// when the page has been left. False when the window should close now: no ready view, or the page
// has already let go.
bool AskPageBeforeClosing();

// kCloseWaitTimer.
void CheckPageLettingGo();

// The engine's navigation events while a close is under way. Only the start of about:blank is
// the page letting go, and only that navigation's completion closes the window (after the event:
// true then, and the bar is left as it is).
void NoteNavigationStartingWhileClosing(const std::wstring& uri, UINT64 navigationId);
bool NoteNavigationCompletedWhileClosing(UINT64 navigationId);

// Whether about:blank has started for a close: what the engine says of it is not shown.
bool LeavingPageToClose();

// The page's leave question was answered. Stay ends a close for good; returns whether one was under way.
bool NoteLeaveAnswerWhileClosing(bool leave);

// The engine died while a close was under way: the window ends (after the engine's event), and
// the engine is not restarted.
void EndCloseWithDeadEngine();

// Tests only: forgets a close under way.
void ResetClosingForTesting();
