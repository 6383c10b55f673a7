// The painted toolbar for screen readers: an Active Accessibility object for the main window's
// client area, with a child per button, the address bar and, while the panel is open, its items.
#pragma once

#include <windows.h>


// The child id of a toolbar slot: children come in reading order, left to right.
long SlotChildId(int slot);

// The main window's WM_GETOBJECT: its client area answers with the toolbar's object.
LRESULT OnGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam);

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

// The address bar's WM_GETOBJECT: its client object is the system's edit, with the bar's name.
LRESULT OnAddressBarGetObject(HWND bar, WPARAM wParam, LPARAM lParam);

// Tests only: forgets what readers were last told of the window's state.
void ResetAccessibleForTesting();
