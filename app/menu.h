// What the menu panel does: its items, opening and closing it, the keyboard's way through its items,
// and an item chosen by a click, a key or a screen reader. The panel's grid and painting are chrome's.
#pragma once

#include "app/commands.h"
#include "chrome/menu_panel.h"

#include <windows.h>

// A panel item, all that anyone needs to know of it: its cell, its label (painted, and said by
// readers), the glyph painted above the label, and what choosing it (a click, Enter or Space, a
// reader's press) asks for. A new item is one more row in app/menu.cpp.
struct MenuItem {
    int row;
    int column;
    const wchar_t* label;
    GlyphPainter glyph;
    Command command;
};

// The item in the given cell, or null for an empty cell or one outside the grid.
const MenuItem* MenuItemAt(int row, int column);

// The items in reading order, by index (0 up to MenuItemCount() - 1).
int MenuItemCount();
const MenuItem& MenuItemByIndex(int index);

// What the painter shows of the items, in the same order.
const PanelCell* MenuPanelCells();

// The item that a key (VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END) moves the keyboard
// focus to from the item of the given index: left and right go through the reading order, each
// wrapping round; up and down to the item of the row above or below nearest to aimColumn (the
// column the vertical moves started from, so that Down then Up comes back), wrapping round too;
// Home and End to the first and the last item.
int NextMenuItemIndex(int index, UINT key, int aimColumn);

// The panel's one hit test: the index of the item under (x, y), or -1 for a point outside the
// panel, in an empty cell, or in a grid without cells.
int MenuItemIndexAt(int x, int y, int clientWidth, int panelTop, int panelHeight);

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

// The panel's stage of a left click: the command of the item under the point, if any. True when
// the point lies in the panel, which the click then closes.
bool OnMenuPanelClick(HWND hwnd, POINT pt);

// WM_APP_MENU_ITEM_ACTION: the item's action as if clicked, provided the panel is still open.
void RunMenuItemAction(HWND hwnd, WPARAM index);
