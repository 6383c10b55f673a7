#include "app/toolbar.h"

#include "addressbar/address_bar.h"
#include "app/commands.h"
#include "app/shortcuts.h"
#include "app/state.h"

#include <algorithm>

namespace {

// In slot order: the four at the left edge, then the four at the right, from the right edge inwards.
constexpr ToolbarButton kButtons[kSlotCount] = {
    {Command::Back, DrawBackGlyph, L"后退", nullptr},
    {Command::Forward, DrawForwardGlyph, L"前进", nullptr},
    {Command::Reload, DrawRefreshGlyph, L"刷新", nullptr},
    {Command::Home, DrawHomeGlyph, L"主页", nullptr},
    {Command::Close, DrawCloseGlyph, L"关闭", nullptr},
    {Command::MaximizeRestore, DrawMaximizeGlyph, L"最大化", L"还原"},
    {Command::Minimize, DrawMinimizeGlyph, L"最小化", nullptr},
    {Command::Menu, DrawMenuGlyph, L"菜单", nullptr},
};
constexpr ToolbarButton kNoButton = {Command::None, nullptr, L"", nullptr};

int SlotTop(const SlotLayout& layout) { return (layout.bandHeight - layout.edge) / 2; }

// Whether y lies in the rows of the slots' hit areas, which do not depend on the client width.
bool InSlotRows(int y) {
    const int top = SlotTop(CurrentSlotLayout(0));
    return y >= top && y <= top + buttonSize;
}

}  // namespace

int ClientWidth(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return rc.right;
}

const ToolbarButton& SlotButton(int slot) { return slot >= 0 && slot < kSlotCount ? kButtons[slot] : kNoButton; }

Command SlotCommand(int slot) { return SlotButton(slot).command; }

const wchar_t* SlotName(int slot, bool maximized) {
    const ToolbarButton& button = SlotButton(slot);
    return maximized && button.maximizedName ? button.maximizedName : button.name;
}

std::wstring SlotShortcutText(int slot) { return ShortcutKeyText(SlotCommand(slot)); }

SlotLayout CurrentSlotLayout(int clientWidth) { return SlotLayout{clientWidth, buttonSize, toolbarHeight}; }

RECT SlotRect(int slot, const SlotLayout& layout) {
    const int step = layout.edge + kSlotGap;
    const int top = SlotTop(layout);
    int left;
    if (slot < kSlotClose) {
        left = kSlotMargin + slot * step;
    } else {
        left = layout.clientWidth - kSlotMargin - (slot - kSlotClose) * step - layout.edge;
    }
    return RECT{left, top, left + layout.edge, top + layout.edge};
}

bool SlotContains(int slot, int x, int y, const SlotLayout& layout) {
    const RECT r = SlotRect(slot, layout);
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

// With a client width below the sum of the groups' spans, one click would run a button of each group.
SIZE MinimumClientSize(int edge, int barHeight, int panelHeight) {
    // The last column of the left group's hit ranges; the right group's first lies as far from the right edge.
    const int groupSpan = SlotRect(kSlotHome, SlotLayout{0, edge, barHeight}).right;
    const int groupsApart = 2 * groupSpan + 1;
    // Where the bar's width rule reaches its least width: the bar keeps its 240 pixels to the right
    // edge, room enough for a right group of buttons of the default size.
    const int barAtLeastWidth = kAddressBarWidthMargin + kAddressBarMinWidth;
    const int width = std::max(groupsApart, barAtLeastWidth);
    return SIZE{width, barHeight + panelHeight};
}

int HoverSlotAt(int x, int y, const SlotLayout& layout) {
    int candidate = kSlotNone;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (SlotContains(slot, x, y, layout)) candidate = slot;
    }
    return candidate;
}

void OnToolbarMouseMove(HWND hwnd, POINT pt) {
    int candidate = kSlotNone;
    // Outside the slot band the client rectangle is not even read.
    if (InSlotRows(pt.y)) {
        candidate = HoverSlotAt(pt.x, pt.y, CurrentSlotLayout(ClientWidth(hwnd)));
    }
    if (candidate == hoverIndex) return;

    hoverIndex = candidate;
    // Re-armed on every change, also to -1, so the leave notification stays armed.
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = hwnd;
    tme.dwHoverTime = 0;
    TrackMouseEvent(&tme);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void OnToolbarMouseLeave() {
    hoverIndex = kSlotNone;
    InvalidateRect(hMainWnd, nullptr, FALSE);
}

bool OnToolbarClick(HWND hwnd, POINT pt) {
    if (!InSlotRows(pt.y)) return false;

    // Every slot that contains the point acts, in order; the window's minimum width keeps the two
    // groups apart, so that is one slot at most.
    // The positions come from this one reading, even if an action resizes the window.
    const SlotLayout layout = CurrentSlotLayout(ClientWidth(hwnd));
    bool taken = false;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (!SlotContains(slot, pt.x, pt.y, layout)) continue;
        RunCommand(hwnd, kButtons[slot].command);
        taken = true;
    }
    return taken;
}
