// The menu panel below the toolbar: a 3 by 2 grid of items, painted into the band and
// clicked through the main window.
#pragma once

#include <windows.h>

struct MenuItem {
    int row;
    int column;
    const wchar_t* label;
    const wchar_t* message;
    const wchar_t* caption;
};

// The item in the given cell, or null for an empty cell or one outside the grid.
const MenuItem* MenuItemAt(int row, int column);

// The cell under a click at (x, y) for a client area of the given width; false when the grid
// has no cells at that width (narrower than 3 pixels).
bool MenuCellAt(int x, int y, int clientWidth, int toolbarHeight, int menuHeight, int* row, int* column);

// Paints the panel while it is open; leaves the device context untouched otherwise.
void PaintMenuPanel(HDC hdc, RECT rc);

// The panel's stage of a left click: shows the item's message, then closes the panel.
void OnMenuPanelClick(HWND hwnd, LPARAM lParam);
