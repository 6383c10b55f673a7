// The menu panel below the toolbar: a 3 by 2 grid of items, painted into the band and
// clicked through the main window.
#pragma once

#include "chrome/glyphs.h"

#include <windows.h>

// One row per item, read by the painter, the click, the keys and the reader: its cell, what the
// painter shows, and what choosing it does (its message box, which app/menu.cpp opens). A new item
// is one more row in chrome/menu_panel.cpp.
struct MenuItem {
    int row;
    int column;
    const wchar_t* label;
    const wchar_t* message;
    const wchar_t* caption;
    GlyphPainter glyph;
};

// The item in the given cell, or null for an empty cell or one outside the grid.
const MenuItem* MenuItemAt(int row, int column);

// The items in reading order, by index (0 up to MenuItemCount() - 1).
int MenuItemCount();
const MenuItem& MenuItemByIndex(int index);

// The item that a key (VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END) moves the keyboard
// focus to from the item of the given index: left and right go through the reading order, each
// wrapping round; up and down to the item of the row above or below nearest to aimColumn (the
// column the vertical moves started from, so that Down then Up comes back), wrapping round too;
// Home and End to the first and the last item.
int NextMenuItemIndex(int index, UINT key, int aimColumn);

// A cell's rectangle in the client area of the given width, as painted.
RECT MenuCellRect(int row, int column, int clientWidth);

// The cell under a click at (x, y) for a client area of the given width and a panel of the given
// top and height; false when the grid has no cells at that width (narrower than 3 pixels).
bool MenuCellAt(int x, int y, int clientWidth, int panelTop, int panelHeight, int* row, int* column);

// Whether a client y lies in the panel below a band of the given height: from its top row of
// pixels to its last, the bottom edge outside, as the painted cells and the toolbar's buttons count.
bool InMenuPanel(int y, int panelTop, int panelHeight);

// The panel's one hit test: the index of the item under (x, y), or -1 for a point outside the
// panel, in an empty cell, or in a grid without cells.
int MenuItemIndexAt(int x, int y, int clientWidth, int panelTop, int panelHeight);

// Paints the panel while it is open; leaves the device context untouched otherwise.
void PaintMenuPanel(HDC hdc, RECT rc);
