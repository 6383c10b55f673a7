// The menu panel below the toolbar: a grid of 3 columns by 2 rows of cells, painted into the band.
// Which cells hold items, and what they do, is the caller's (app/menu.cpp).
#pragma once

#include "chrome/glyphs.h"

#include <windows.h>

inline constexpr int kMenuColumns = 3;
inline constexpr int kMenuRows = 2;

// What the painter shows in a cell: the glyph, and the label below it.
struct PanelCell {
    int row;
    int column;
    const wchar_t* label;
    GlyphPainter glyph;
};

// A cell's rectangle in the client area of the given width, as painted.
RECT MenuCellRect(int row, int column, int clientWidth);

// The cell under a click at (x, y) for a client area of the given width and a panel of the given
// top and height; false when the grid has no cells at that width (narrower than 3 pixels).
bool MenuCellAt(int x, int y, int clientWidth, int panelTop, int panelHeight, int* row, int* column);

// Whether a client y lies in the panel below a band of the given height: from its top row of
// pixels to its last, the bottom edge outside, as the painted cells and the toolbar's buttons count.
bool InMenuPanel(int y, int panelTop, int panelHeight);

// Paints the panel while it is open, with the given cells in reading order, so that menuFocusItem
// names the one with the keyboard focus; leaves the device context untouched while it is closed.
void PaintMenuPanel(HDC hdc, RECT rc, const PanelCell* cells, int count);
