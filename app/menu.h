// What the menu panel does: opening and closing it, the keyboard's way through its items, and an
// item chosen by a click, a key or a screen reader. The panel's items and painting are chrome's.
#pragma once

#include <windows.h>

// Opens or closes the panel: the view moves below it or back, readers are told, and the focus goes
// back on closing to where it was when the panel opened.
void SetMenuPanelOpen(HWND hwnd, bool open);

// F10, Alt+F and Alt alone: opens the panel with the keyboard on its first item, or closes it. In
// full screen the window leaves full screen first, so that the panel can be seen.
void ToggleMenuByKeyboard(HWND hwnd);

// An arrow key, Home or End while the keyboard is in the panel: the keyboard focus moves to the
// item the key leads to.
void MoveMenuFocus(HWND hwnd, UINT key);

// WM_KILLFOCUS of the main window (a click into the bar, another window): the panel's items lose
// the keyboard, and their focus rectangle goes.
void DropMenuKeyboardFocus(HWND hwnd);

// Enter or Space while the keyboard is in the panel: the item with the keyboard focus, as clicked.
void ChooseMenuItem(HWND hwnd);

// The panel's stage of a left click: the message of the item under the point, if any. True when
// the point lies in the panel, which the click then closes.
bool OnMenuPanelClick(HWND hwnd, POINT pt);

// WM_APP_MENU_ITEM_ACTION: the item's action as if clicked, provided the panel is still open.
void RunMenuItemAction(HWND hwnd, WPARAM index);
