// What the program tells screen readers of itself, as WinEvents on the main window's client object.
#pragma once

#include <windows.h>

// Tell readers what changed: the hovered slot, the window maximised or restored (the maximise
// slot's name), the panel opened or closed (its items come and go).
void NotifyHoverChange(int oldSlot, int newSlot);
void NotifyWindowStateChange(HWND hwnd);
void NotifyMenuPanelChange(HWND hwnd);
// The panel item of the given index took the keyboard focus.
void NotifyMenuItemFocus(HWND hwnd, int index);
// Full screen hid the band's buttons, or leaving it showed them again (the bar, a window of its
// own, is announced by the system).
void NotifyBandShown(HWND hwnd, bool shown);

// Tests only: forgets what readers were last told of the window's state.
void ResetAccessibleForTesting();
