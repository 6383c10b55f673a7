#include "chrome/menu_panel.h"

#include "app/state.h"
#include "chrome/paint_owners.h"

#include <cstdlib>

namespace {

constexpr int kColumns = 3;
constexpr int kRows = 2;
constexpr int kGlyphSize = 40;
constexpr int kGlyphTopOffset = 30;
constexpr int kLabelTopOffset = 80;
constexpr COLORREF kPanelBackground = RGB(255, 255, 255);
constexpr COLORREF kItemGlyphColour = RGB(80, 80, 80);
constexpr COLORREF kLabelColour = RGB(50, 50, 50);
constexpr COLORREF kRuleColour = RGB(230, 230, 230);
constexpr int kFocusInset = 6;  // the keyboard focus rectangle, inside the item's cell

const MenuItem kMenuItems[] = {
    {0, 0, L"添加书签", L"添加书签功能开发中", L"提示", DrawHomeGlyph},
    {0, 1, L"下载管理", L"下载管理功能开发中", L"提示", DrawForwardGlyph},
    {0, 2, L"历史记录", L"历史记录功能开发中", L"提示", DrawRefreshGlyph},
    {1, 1, L"关于 Trov", L"Trov Browser v1.0", L"关于", DrawMenuGlyph},
};

RECT CellRect(int row, int column, int columnWidth, int rowHeight) {
    return RECT{column * columnWidth, toolbarHeight + row * rowHeight, (column + 1) * columnWidth,
                toolbarHeight + (row + 1) * rowHeight};
}

void PaintItem(HDC hdc, const MenuItem& item, int columnWidth, int rowHeight) {
    const RECT itemRc = CellRect(item.row, item.column, columnWidth, rowHeight);
    item.glyph(hdc, itemRc.left + columnWidth / 2 - kGlyphSize / 2, itemRc.top + kGlyphTopOffset, kGlyphSize,
                    kItemGlyphColour);
    RECT r = {itemRc.left, itemRc.top + kLabelTopOffset, itemRc.right, itemRc.bottom};
    DrawTextW(hdc, item.label, -1, &r, DT_CENTER | DT_SINGLELINE);
}

// The item of the given row nearest to the column; -1 when the row has none.
int NearestItemInRow(int row, int column) {
    int best = -1;
    int bestDistance = kColumns;
    for (int i = 0; i < MenuItemCount(); ++i) {
        const int distance = std::abs(kMenuItems[i].column - column);
        if (kMenuItems[i].row == row && distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace

int NextMenuItemIndex(int index, UINT key, int aimColumn) {
    const int count = MenuItemCount();
    if (key == VK_HOME) return 0;
    if (key == VK_END) return count - 1;
    if (key == VK_LEFT) return (index + count - 1) % count;
    if (key == VK_RIGHT) return (index + 1) % count;
    if (key != VK_UP && key != VK_DOWN) return index;
    const int step = key == VK_DOWN ? 1 : kRows - 1;
    for (int row = (kMenuItems[index].row + step) % kRows; row != kMenuItems[index].row; row = (row + step) % kRows) {
        const int found = NearestItemInRow(row, aimColumn);
        if (found >= 0) return found;
    }
    return index;
}

int MenuItemCount() { return static_cast<int>(sizeof(kMenuItems) / sizeof(kMenuItems[0])); }

const MenuItem& MenuItemByIndex(int index) { return kMenuItems[index]; }

RECT MenuCellRect(int row, int column, int clientWidth) {
    return CellRect(row, column, clientWidth / kColumns, menuHeight / kRows);
}

const MenuItem* MenuItemAt(int row, int column) {
    for (const MenuItem& item : kMenuItems) {
        if (item.row == row && item.column == column) return &item;
    }
    return nullptr;
}

bool MenuCellAt(int x, int y, int clientWidth, int panelTop, int panelHeight, int* row, int* column) {
    const int columnWidth = clientWidth / kColumns;
    const int rowHeight = panelHeight / kRows;
    if (columnWidth <= 0 || rowHeight <= 0) return false;
    *column = x / columnWidth;
    *row = (y - panelTop) / rowHeight;
    return true;
}

bool InMenuPanel(int y, int panelTop, int panelHeight) { return y >= panelTop && y < panelTop + panelHeight; }

int MenuItemIndexAt(int x, int y, int clientWidth, int panelTop, int panelHeight) {
    int row = 0, column = 0;
    if (!InMenuPanel(y, panelTop, panelHeight) || !MenuCellAt(x, y, clientWidth, panelTop, panelHeight, &row, &column)) {
        return -1;
    }
    const MenuItem* item = MenuItemAt(row, column);
    return item ? static_cast<int>(item - kMenuItems) : -1;
}

void PaintMenuPanel(HDC hdc, RECT rc) {
    if (!menuOpen) return;
    const int bottom = toolbarHeight + menuHeight;
    const RECT rcMenu = {0, toolbarHeight, rc.right, bottom};
    FillSolid(hdc, rcMenu, kPanelBackground);

    const int columnWidth = rc.right / kColumns;
    const int rowHeight = menuHeight / kRows;
    HGDIOBJ oldFont = SelectObject(hdc, hUIFont);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, kLabelColour);
    for (const MenuItem& item : kMenuItems) PaintItem(hdc, item, columnWidth, rowHeight);
    SelectObject(hdc, oldFont);
    // Only for the keyboard: a panel opened by the mouse looks as it always did.
    if (menuFocusItem >= 0 && menuFocusItem < MenuItemCount()) {
        const MenuItem& item = kMenuItems[menuFocusItem];
        RECT focusRc = CellRect(item.row, item.column, columnWidth, rowHeight);
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
