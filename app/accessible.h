// The painted toolbar for screen readers: an Active Accessibility object for the main window's
// client area, with a child per button, the address bar and, while the panel is open, its items.
#pragma once

#include <windows.h>

#include <string>

// Posted to the main window by a child's default action, which runs after the reader's call has
// returned: wParam is the kind of child (kAccessibleSlot or kAccessibleMenuItem), lParam its index.
inline constexpr UINT WM_APP_ACCESSIBLE_ACTION = WM_USER + 103;
inline constexpr WPARAM kAccessibleSlot = 0;
inline constexpr WPARAM kAccessibleMenuItem = 1;

// The name a reader says for a toolbar slot; the maximise slot is "还原" while maximised.
const wchar_t* SlotName(int slot, bool maximized);

// The slot's shortcut as people read it ("Alt+←"), or empty.
std::wstring SlotShortcutText(int slot);

// The child id of a toolbar slot: children come in reading order, left to right.
long SlotChildId(int slot);

// The main window's WM_GETOBJECT: its client area answers with the toolbar's object.
LRESULT OnGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam);

// The main window's WM_APP_ACCESSIBLE_ACTION: the button's action, or the panel item's as if
// clicked, provided the item is still shown.
void RunAccessibleAction(HWND hwnd, WPARAM kind, LPARAM index);

// Tell readers what changed: the hovered slot, the window maximised or restored (the maximise
// slot's name), the panel opened or closed (its items come and go).
void NotifyHoverChange(int oldSlot, int newSlot);
void NotifyWindowStateChange(HWND hwnd);
void NotifyMenuPanelChange(HWND hwnd);
