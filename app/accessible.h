// The painted toolbar for screen readers: an Active Accessibility object for the main window's
// client area, with a child per button, the address bar and, while the panel is open, its items.
#pragma once

#include <windows.h>

#include <string>

// Posted to the main window by a panel item's default action, which runs after the reader's call
// has returned: wParam is the item's index. A button's default action posts its command.
inline constexpr UINT WM_APP_MENU_ITEM_ACTION = WM_USER + 103;

// The name a reader says for a toolbar slot; the maximise slot is "还原" while maximised.
const wchar_t* SlotName(int slot, bool maximized);

// The slot's shortcut as people read it ("Alt+←"), or empty.
std::wstring SlotShortcutText(int slot);

// The child id of a toolbar slot: children come in reading order, left to right.
long SlotChildId(int slot);

// The main window's WM_GETOBJECT: its client area answers with the toolbar's object.
LRESULT OnGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam);

// The main window's WM_APP_MENU_ITEM_ACTION: the panel item's action as if clicked, provided the
// panel is still open.
void RunMenuItemAction(HWND hwnd, WPARAM index);

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
