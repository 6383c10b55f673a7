#include "chrome/menu_panel.h"

#include "app/state.h"
#include "chrome/paint_owners.h"

namespace {

constexpr int kGlyphSize = 40;
constexpr int kGlyphTopOffset = 30;
constexpr int kLabelTopOffset = 80;
constexpr COLORREF kPanelBackground = RGB(255, 255, 255);
constexpr COLORREF kItemGlyphColour = RGB(80, 80, 80);
constexpr COLORREF kLabelColour = RGB(50, 50, 50);
constexpr COLORREF kRuleColour = RGB(230, 230, 230);
constexpr int kFocusInset = 6;  // the keyboard focus rectangle, inside the item's cell

RECT CellRect(int row, int column, int columnWidth, int rowHeight) {
    return RECT{column * columnWidth, toolbarHeight + row * rowHeight, (column + 1) * columnWidth,
                toolbarHeight + (row + 1) * rowHeight};
}

void PaintCell(HDC hdc, const PanelCell& cell, int columnWidth, int rowHeight) {
    const RECT itemRc = CellRect(cell.row, cell.column, columnWidth, rowHeight);
    cell.glyph(hdc, itemRc.left + columnWidth / 2 - kGlyphSize / 2, itemRc.top + kGlyphTopOffset, kGlyphSize,
               kItemGlyphColour);
    RECT r = {itemRc.left, itemRc.top + kLabelTopOffset, itemRc.right, itemRc.bottom};
    DrawTextW(hdc, cell.label, -1, &r, DT_CENTER | DT_SINGLELINE);
}

}  // namespace

RECT MenuCellRect(int row, int column, int clientWidth) {
    return CellRect(row, column, clientWidth / kMenuColumns, menuHeight / kMenuRows);
}

bool MenuCellAt(int x, int y, int clientWidth, int panelTop, int panelHeight, int* row, int* column) {
    const int columnWidth = clientWidth / kMenuColumns;
    const int rowHeight = panelHeight / kMenuRows;
    if (columnWidth <= 0 || rowHeight <= 0) return false;
    *column = x / columnWidth;
    *row = (y - panelTop) / rowHeight;
    return true;
}

bool InMenuPanel(int y, int panelTop, int panelHeight) { return y >= panelTop && y < panelTop + panelHeight; }

void PaintMenuPanel(HDC hdc, RECT rc, const PanelCell* cells, int count) {
    if (!menuOpen) return;
    const int bottom = toolbarHeight + menuHeight;
    const RECT rcMenu = {0, toolbarHeight, rc.right, bottom};
    FillSolid(hdc, rcMenu, kPanelBackground);

    const int columnWidth = rc.right / kMenuColumns;
    const int rowHeight = menuHeight / kMenuRows;
    HGDIOBJ oldFont = SelectObject(hdc, hUIFont);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, kLabelColour);
    for (int i = 0; i < count; ++i) PaintCell(hdc, cells[i], columnWidth, rowHeight);
    SelectObject(hdc, oldFont);
    // Only for the keyboard: a panel opened by the mouse looks as it always did.
    if (menuFocusItem >= 0 && menuFocusItem < count) {
        const PanelCell& cell = cells[menuFocusItem];
        RECT focusRc = CellRect(cell.row, cell.column, columnWidth, rowHeight);
        InflateRect(&focusRc, -kFocusInset, -kFocusInset);
        DrawFocusRect(hdc, &focusRc);
    }

    HPEN pen = CreatePen(PS_SOLID, 1, kRuleColour);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    MoveToEx(hdc, 0, bottom - 1, nullptr);
    LineTo(hdc, rc.right, bottom - 1);
    SelectObject(hdc, oldPen);
    DeleteObject(pen);
}
