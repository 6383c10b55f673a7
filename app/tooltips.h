// Tooltips for the toolbar's buttons: one tooltip control with a tool per slot, each named as
// readers name it, with its shortcut where it has one, in brackets.
#pragma once

#include <windows.h>

// Part of the main window's WM_MOUSEMOVE: the control is made at the pointer's first move over the
// window, not at start-up, owned by the window and gone with it; the move that made it is relayed.
void ShowToolbarTipsFor(HWND owner, const MSG& move);

// Part of the main window's WM_SIZE: the tools follow the slots, and the maximise slot's text
// follows the window's state.
void LayoutToolbarTips(HWND owner);

// Before a dialog or message box of the window: the tip that is showing goes, so that it does not
// stay on top of the dialog.
void HideToolbarTip();

// The tooltip control of the last window made (tests read its tools).
HWND ToolbarTips();

// Tests only: forgets the control, which went with its window.
void ResetToolbarTipsForTesting();
