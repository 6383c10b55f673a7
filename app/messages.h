// The messages the program posts to its main window, and the main window's timers: each is a hop
// from code that must return first to the window procedure, which does the work afterwards.
#pragma once

#include <windows.h>

// From the address bar on Enter: the bar's procedure returns before the navigation runs.
inline constexpr UINT WM_APP_NAVIGATE = WM_USER + 100;
// A Command in wParam (PostCommand): asked for inside an engine event (a key in the page, Tab out
// of it) or a reader's call, which has its answer before the command closes a view or opens a box.
inline constexpr UINT WM_APP_RUN_COMMAND = WM_USER + 101;
// From the engine's events when its browser process died, and again when the environment says that
// process has exited: the dead engine is closed and let go of only once that event has returned.
inline constexpr UINT WM_APP_RESTART_ENGINE = WM_USER + 102;
// A panel item's default action, item index in wParam: the reader's call returns before the
// item's message box opens.
inline constexpr UINT WM_APP_MENU_ITEM_ACTION = WM_USER + 103;
// From the engine's full-screen event: the window changes its frame and the view after the event,
// and then asks the view how it stands, so that a message posted before a restart finds the new view.
inline constexpr UINT WM_APP_FULLSCREEN = WM_USER + 104;
// From the engine's ScriptDialogOpening, which keeps its deferral: the page's dialog is shown from
// the message loop, so that the engine's event never waits for the person.
inline constexpr UINT WM_APP_PAGE_DIALOG = WM_USER + 105;
// From the engine's NewWindowRequested: the view navigates to the new window's address once that
// event has returned.
inline constexpr UINT WM_APP_NEW_WINDOW = WM_USER + 106;
// To a popup window, from its page's window.close() or the end of its page: the window goes once
// the engine's event has returned.
inline constexpr UINT WM_APP_CLOSE_POPUP = WM_USER + 107;
// From a restart's failed attempt, told maybe inside the failed object's own completion: its
// objects are let go of once that has returned.
inline constexpr UINT WM_APP_START_FAILED = WM_USER + 110;
// From the engine's ProcessFailed for a page that does not answer: Trov's question is shown once
// that event has returned.
inline constexpr UINT WM_APP_UNRESPONSIVE_PAGE = WM_USER + 111;

// Tries a failed engine restart again, after a wait that gives a returning engine time.
inline constexpr UINT_PTR kEngineRetryTimer = 0x7E20;
// Closes a window (the main window or a popup) whose page neither asks nor starts leaving, or, once
// it did, is not left in time (a hung page).
inline constexpr UINT_PTR kCloseWaitTimer = 0x7E21;
// Takes away the hint that F11 leaves full screen, a few seconds after it showed.
inline constexpr UINT_PTR kFullScreenHintTimer = 0x7E22;
