// The toolbar's button slots: geometry, hover tracking and click actions.
#pragma once

#include "app/commands.h"
#include "app/state.h"
#include "chrome/glyphs.h"
#include "chrome/toolbar_paint.h"

#include <windows.h>

#include <array>
#include <string>

enum ToolbarSlot {
    kSlotNone = kNoHoveredSlot,
    kSlotBack = 0,
    kSlotForward = 1,
    kSlotRefresh = 2,
    kSlotHome = 3,
    kSlotClose = 4,
    kSlotMaximize = 5,
    kSlotMinimize = 6,
    kSlotMenu = 7,
    kSlotCount,  // one past the last slot: a new button's slot goes before it
};
inline constexpr int kSlotMargin = 12;  // from the client area's left and right edges
inline constexpr int kSlotGap = 4;      // between neighbouring buttons of a group

// What the slot geometry depends on: the client width, a button's edge and the band's height.
struct SlotLayout {
    int clientWidth;
    int edge;
    int bandHeight;
};

// The layout of the window as it is now: the given client width and the toolbar's sizes.
SlotLayout CurrentSlotLayout(int clientWidth);
// The width of the window's client area, which the slots' places depend on.
int ClientWidth(HWND hwnd);

// The painted square of a slot: right and bottom exclusive, edge by edge.
RECT SlotRect(int slot, const SlotLayout& layout);

// Whether (x, y) lies in the slot's hit area, which is one pixel wider and taller than its
// painted square: both ends of both ranges are inclusive.
bool SlotContains(int slot, int x, int y, const SlotLayout& layout);

// The slot to highlight at (x, y): where two slots overlap the higher one wins.
int HoverSlotAt(int x, int y, const SlotLayout& layout);

// The smallest client area the window may have: the two button groups apart, the address bar at
// its least width clear of both, and room below the toolbar for the open menu panel.
SIZE MinimumClientSize(int edge, int barHeight, int panelHeight);

// The left group runs from the left edge rightwards, the right group from the right edge leftwards,
// each in slot order; the address bar lies between them.
enum class ButtonGroup { Left, Right };

// A toolbar button, all that anyone needs to know of it: its slot (which the table's order must
// match), its group, what a click (or a reader's press) asks for, the glyph painted on it, its name
// as readers say it and tooltips show it, with another while the window is maximised (the maximise
// button says restore then), whether its hover is the close button's red, and whether it opens the
// menu panel (readers hear that it has a popup, and whether it is open).
struct ToolbarButton {
    ToolbarSlot slot;
    ButtonGroup group;
    Command command;
    GlyphPainter glyph;
    const wchar_t* name;
    const wchar_t* maximizedName;  // null: the name stands
    bool redHover;
    bool opensPanel;
};

// The button in the slot; kSlotNone and other numbers outside the slots have none (Command::None,
// no glyph, an empty name).
const ToolbarButton& SlotButton(int slot);

// What the painter draws for each slot at the given client width, in slot order.
using ButtonFaces = std::array<ButtonFace, kSlotCount>;
ButtonFaces SlotFaces(int clientWidth);

// The slots left to right as on the screen, with kSlotCount where the address bar lies.
using ScreenOrder = std::array<int, kSlotCount + 1>;
const ScreenOrder& SlotsLeftToRight();

// What a click on the slot asks for; a reader's press of the button asks for the same.
Command SlotCommand(int slot);

// The name a reader says and a tooltip shows for the slot's button.
const wchar_t* SlotName(int slot, bool maximized);

// The button's shortcut as people read it ("Alt+←"), or empty: the shortcut of its command.
std::wstring SlotShortcutText(int slot);

// Message handlers of the main window; they set hoverIndex, and the window tells readers of a change.
void OnToolbarMouseMove(HWND hwnd, POINT pt);
void OnToolbarMouseLeave();
// True when a button took the click.
bool OnToolbarClick(HWND hwnd, POINT pt);
