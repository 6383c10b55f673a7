// Tooltips for the toolbar's buttons: one tooltip control with a tool per slot, each named as
// readers name it, with its shortcut where it has one ("后退 (Alt+←)").
#pragma once

#include <windows.h>

// Part of the main window's creation: the control, owned by the window and gone with it.
void CreateToolbarTips(HWND owner);

// Part of the main window's WM_SIZE: the tools follow the slots, and the maximise slot's text
// follows the window's state.
void LayoutToolbarTips(HWND owner);

// The tooltip control of the last window made (tests read its tools).
HWND ToolbarTips();
