// The painted toolbar for screen readers: an Active Accessibility object for the main window's
// client area, with a child per button, the address bar and, while the panel is open, its items.
#pragma once

#include <windows.h>

// The child id of a toolbar slot: children come in reading order, left to right.
long SlotChildId(int slot);
// The child id of the panel's item of the given index, after the toolbar's children.
long MenuItemChildId(int index);

// The main window's WM_GETOBJECT: its client area answers with the toolbar's object.
LRESULT OnGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam);
