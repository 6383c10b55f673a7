#include "app/menu.h"

#include "app/accessible_events.h"
#include "app/commands.h"
#include "app/focus.h"
#include "app/fullscreen.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "app/tooltips.h"
#include "chrome/menu_panel.h"
#include "webhost/engine.h"

namespace {

// What choosing the item does: its message box, which is modal. Closing the panel is the caller's.
void RunMenuItem(HWND hwnd, const MenuItem& item) {
    HideToolbarTip();
    MessageBoxKeepingFocus(hwnd, item.message, item.caption, MB_OK);
}

// The column that Up and Down aim at: the one where the vertical moves started, so that Down then
// Up comes back to the same item; any other move starts afresh from the item it reaches.
int aimColumn = 0;

void FocusMenuItem(HWND hwnd, int index) {
    menuFocusItem = index;
    InvalidateRect(hwnd, nullptr, FALSE);
    NotifyMenuItemFocus(hwnd, index);
}

}  // namespace

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
    aimColumn = MenuItemByIndex(0).column;
}

void MoveMenuFocus(HWND hwnd, UINT key) {
    if (!menuOpen || menuFocusItem < 0) return;
    FocusMenuItem(hwnd, NextMenuItemIndex(menuFocusItem, key, aimColumn));
    if (key != VK_UP && key != VK_DOWN) aimColumn = MenuItemByIndex(menuFocusItem).column;
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
    // Modal: the panel stays open behind the box until the user dismisses it.
    const int index = MenuItemIndexAt(pt.x, pt.y, ClientWidth(hwnd), toolbarHeight, menuHeight);
    if (index >= 0) RunMenuItem(hwnd, MenuItemByIndex(index));
    return true;
}

void RunMenuItemAction(HWND hwnd, WPARAM index) {
    if (!menuOpen || index >= static_cast<WPARAM>(MenuItemCount())) return;
    // As a click in the item's cell: its message, then the panel closes.
    RunMenuItem(hwnd, MenuItemByIndex(static_cast<int>(index)));
    RunCommand(hwnd, Command::CloseMenu);
}
