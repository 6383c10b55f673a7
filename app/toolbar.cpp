#include "app/toolbar.h"

#include "addressbar/address_bar.h"
#include "app/commands.h"
#include "app/shortcuts.h"
#include "app/state.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr ButtonGroup kLeft = ButtonGroup::Left;
constexpr ButtonGroup kRight = ButtonGroup::Right;

// In slot order: the four at the left edge, then the four at the right, from the right edge inwards.
constexpr ToolbarButton kButtons[] = {
    {kSlotBack, kLeft, Command::Back, DrawBackGlyph, L"后退", nullptr, false, false},
    {kSlotForward, kLeft, Command::Forward, DrawForwardGlyph, L"前进", nullptr, false, false},
    {kSlotRefresh, kLeft, Command::Reload, DrawRefreshGlyph, L"刷新", nullptr, false, false},
    {kSlotHome, kLeft, Command::Home, DrawHomeGlyph, L"主页", nullptr, false, false},
    {kSlotClose, kRight, Command::Close, DrawCloseGlyph, L"关闭", nullptr, true, false},
    {kSlotMaximize, kRight, Command::MaximizeRestore, DrawMaximizeGlyph, L"最大化", L"还原", false, false},
    {kSlotMinimize, kRight, Command::Minimize, DrawMinimizeGlyph, L"最小化", nullptr, false, false},
    {kSlotMenu, kRight, Command::Menu, DrawMenuGlyph, L"菜单", nullptr, false, true},
};
constexpr ToolbarButton kNoButton = {kSlotNone, kLeft, Command::None, nullptr, L"", nullptr, false, false};

constexpr bool RowsFollowSlots() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (kButtons[slot].slot != slot) return false;
    }
    return true;
}
static_assert(std::size(kButtons) == kSlotCount && RowsFollowSlots(), "one row per slot, in the slots' order");

constexpr int GroupSize(ButtonGroup group) {
    int size = 0;
    for (const ToolbarButton& button : kButtons) {
        if (button.group == group) ++size;
    }
    return size;
}

// The left group in slot order, the address bar, then the right group from its inner end.
constexpr ScreenOrder LeftToRight() {
    ScreenOrder slots = {};
    size_t next = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (kButtons[slot].group == kLeft) slots[next++] = slot;
    }
    slots[next++] = kSlotCount;
    for (int slot = kSlotCount - 1; slot >= 0; --slot) {
        if (kButtons[slot].group == kRight) slots[next++] = slot;
    }
    return slots;
}
constexpr ScreenOrder kLeftToRight = LeftToRight();

// How many slots of its group come before the slot: its place from the group's outer end.
int PlaceInGroup(int slot) {
    const ButtonGroup group = SlotButton(slot).group;
    int place = 0;
    for (int earlier = 0; earlier < slot && earlier < kSlotCount; ++earlier) {
        if (kButtons[earlier].group == group) ++place;
    }
    return place;
}

// From the left edge to the far side of the group's innermost button, whichever edge it starts at.
int GroupSpan(ButtonGroup group, int edge) {
    const int size = GroupSize(group);
    return size == 0 ? 0 : kSlotMargin + size * edge + (size - 1) * kSlotGap;
}

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

const ScreenOrder& SlotsLeftToRight() { return kLeftToRight; }

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
    const int place = PlaceInGroup(slot);
    const int left = SlotButton(slot).group == kLeft ? kSlotMargin + place * step
                                                     : layout.clientWidth - kSlotMargin - place * step - layout.edge;
    return RECT{left, top, left + layout.edge, top + layout.edge};
}

bool SlotContains(int slot, int x, int y, const SlotLayout& layout) {
    const RECT r = SlotRect(slot, layout);
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

// With a client width below the sum of the groups' spans, one click would run a button of each group.
SIZE MinimumClientSize(int edge, int barHeight, int panelHeight) {
    // The last column of the left group's hit ranges, and the right group's first, counted from the right edge.
    const int groupsApart = GroupSpan(kLeft, edge) + GroupSpan(kRight, edge) + 1;
    // Where the bar's width rule reaches its least width: the bar keeps its 240 pixels to the right
    // edge, room enough for a right group of buttons of the default size.
    const int barAtLeastWidth = kAddressBarWidthMargin + kAddressBarMinWidth;
    const int width = std::max(groupsApart, barAtLeastWidth);
    return SIZE{width, barHeight + panelHeight};
}

ButtonFaces SlotFaces(int clientWidth) {
    const SlotLayout layout = CurrentSlotLayout(clientWidth);
    ButtonFaces faces = {};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        faces[slot] = ButtonFace{SlotRect(slot, layout), kButtons[slot].glyph, kButtons[slot].redHover};
    }
    return faces;
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
