#include "app/menu.h"

#include "app/accessible_events.h"
#include "app/commands.h"
#include "app/focus.h"
#include "app/fullscreen.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "webhost/engine.h"

#include <array>
#include <cstdlib>
#include <iterator>

namespace {

// In reading order: row by row, each from the left.
constexpr MenuItem kMenuItems[] = {
    {0, 0, L"添加书签", DrawHomeGlyph, Command::AddBookmark},
    {0, 1, L"下载管理", DrawForwardGlyph, Command::ShowDownloads},
    {0, 2, L"历史记录", DrawRefreshGlyph, Command::ShowHistory},
    {1, 1, L"关于 Trov", DrawMenuGlyph, Command::ShowAbout},
};
constexpr int kItemCount = static_cast<int>(std::size(kMenuItems));

constexpr std::array<PanelCell, kItemCount> CellsOfItems() {
    std::array<PanelCell, kItemCount> cells = {};
    for (int i = 0; i < kItemCount; ++i) {
        const MenuItem& item = kMenuItems[i];
        cells[i] = PanelCell{item.row, item.column, item.label, item.glyph};
    }
    return cells;
}
constexpr std::array<PanelCell, kItemCount> kCells = CellsOfItems();

// The item of the given row nearest to the column; -1 when the row has none.
int NearestItemInRow(int row, int column) {
    int best = -1;
    int bestDistance = kMenuColumns;
    for (int i = 0; i < kItemCount; ++i) {
        const int distance = std::abs(kMenuItems[i].column - column);
        if (kMenuItems[i].row == row && distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// The column that Up and Down aim at: the one where the vertical moves started, so that Down then
// Up comes back to the same item; any other move starts afresh from the item it reaches.
int keyboardAimColumn = 0;

void FocusMenuItem(HWND hwnd, int index) {
    menuFocusItem = index;
    InvalidateRect(hwnd, nullptr, FALSE);
    NotifyMenuItemFocus(hwnd, index);
}

}  // namespace

const MenuItem* MenuItemAt(int row, int column) {
    for (const MenuItem& item : kMenuItems) {
        if (item.row == row && item.column == column) return &item;
    }
    return nullptr;
}

int MenuItemCount() { return kItemCount; }

const MenuItem& MenuItemByIndex(int index) { return kMenuItems[index]; }

const PanelCell* MenuPanelCells() { return kCells.data(); }

int NextMenuItemIndex(int index, UINT key, int aimColumn) {
    const int count = kItemCount;
    if (key == VK_HOME) return 0;
    if (key == VK_END) return count - 1;
    if (key == VK_LEFT) return (index + count - 1) % count;
    if (key == VK_RIGHT) return (index + 1) % count;
    if (key != VK_UP && key != VK_DOWN) return index;
    const int step = key == VK_DOWN ? 1 : kMenuRows - 1;
    const int from = kMenuItems[index].row;
    for (int row = (from + step) % kMenuRows; row != from; row = (row + step) % kMenuRows) {
        const int found = NearestItemInRow(row, aimColumn);
        if (found >= 0) return found;
    }
    return index;
}

int MenuItemIndexAt(int x, int y, int clientWidth, int panelTop, int panelHeight) {
    int row = 0, column = 0;
    if (!InMenuPanel(y, panelTop, panelHeight) || !MenuCellAt(x, y, clientWidth, panelTop, panelHeight, &row, &column)) {
        return -1;
    }
    const MenuItem* item = MenuItemAt(row, column);
    return item ? static_cast<int>(item - kMenuItems) : -1;
}

void SetMenuPanelOpen(HWND hwnd, bool open) {
    if (open) RememberFocusBeforeMenu();
    menuOpen = open;
    menuFocusItem = -1;
    ResizeWebView();
    // Erase, so the strip that the moved web view uncovers shows the class background.
    InvalidateRect(hwnd, nullptr, TRUE);
    NotifyMenuPanelChange(hwnd);
    if (!open) GiveFocusBackAfterMenu(hwnd);
}

// The main window takes the keyboard, so that the arrows, Enter and Space reach the panel and not
// the page or the bar; closing gives the focus back to where it was.
void ToggleMenuByKeyboard(HWND hwnd) {
    if (menuOpen) {
        SetMenuPanelOpen(hwnd, false);
        return;
    }
    // The band, and the panel with it, is hidden in full screen: the window comes back first, as
    // for the address bar's keys. A window that stays full screen opens no panel.
    ApplyFullScreenEvent(hwnd, FullScreenEvent::LeaveAll);
    if (IsFullScreen()) return;
    SetMenuPanelOpen(hwnd, true);
    SetFocus(hwnd);
    FocusMenuItem(hwnd, 0);
    keyboardAimColumn = kMenuItems[0].column;
}

void MoveMenuFocus(HWND hwnd, UINT key) {
    if (!menuOpen || menuFocusItem < 0) return;
    FocusMenuItem(hwnd, NextMenuItemIndex(menuFocusItem, key, keyboardAimColumn));
    if (key != VK_UP && key != VK_DOWN) keyboardAimColumn = kMenuItems[menuFocusItem].column;
}

void DropMenuKeyboardFocus(HWND hwnd) {
    if (menuFocusItem < 0) return;
    menuFocusItem = -1;
    InvalidateRect(hwnd, nullptr, FALSE);
}

void ChooseMenuItem(HWND hwnd) {
    if (menuFocusItem >= 0) RunMenuItemAction(hwnd, static_cast<WPARAM>(menuFocusItem));
}

bool OnMenuPanelClick(HWND hwnd, POINT pt) {
    if (!menuOpen || !InMenuPanel(pt.y, toolbarHeight, menuHeight)) return false;
    // Narrower than three pixels there are no cells to hit: the click only closes the panel.
    // The panel stays open behind a modal box that the item's command opens, until it is dismissed.
    const int index = MenuItemIndexAt(pt.x, pt.y, ClientWidth(hwnd), toolbarHeight, menuHeight);
    if (index >= 0) RunCommand(hwnd, kMenuItems[index].command);
    return true;
}

void RunMenuItemAction(HWND hwnd, WPARAM index) {
    if (!menuOpen || index >= static_cast<WPARAM>(MenuItemCount())) return;
    // As a click in the item's cell: its command, then the panel closes.
    RunCommand(hwnd, kMenuItems[index].command);
    RunCommand(hwnd, Command::CloseMenu);
}
