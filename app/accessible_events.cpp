#include "app/accessible_events.h"

#include "app/accessible.h"
#include "app/state.h"
#include "app/toolbar.h"

namespace {

void NotifyChild(DWORD event, HWND hwnd, long child) {
    if (hwnd) NotifyWinEvent(event, hwnd, OBJID_CLIENT, child);
}

// Whether the window was maximised when last told, so that only a change is announced.
bool announcedMaximized = false;

}  // namespace

void NotifyHoverChange(int oldSlot, int newSlot) {
    if (oldSlot != kSlotNone) NotifyChild(EVENT_OBJECT_STATECHANGE, hMainWnd, SlotChildId(oldSlot));
    if (newSlot != kSlotNone) NotifyChild(EVENT_OBJECT_STATECHANGE, hMainWnd, SlotChildId(newSlot));
}

void NotifyWindowStateChange(HWND hwnd) {
    const bool maximized = IsZoomed(hwnd) != FALSE;
    if (maximized == announcedMaximized) return;
    announcedMaximized = maximized;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (SlotButton(slot).maximizedName) NotifyChild(EVENT_OBJECT_NAMECHANGE, hwnd, SlotChildId(slot));
    }
}

void NotifyMenuItemFocus(HWND hwnd, int index) { NotifyChild(EVENT_OBJECT_FOCUS, hwnd, MenuItemChildId(index)); }

void NotifyBandShown(HWND hwnd, bool shown) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        NotifyChild(shown ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, hwnd, SlotChildId(slot));
    }
}

void NotifyMenuPanelChange(HWND hwnd) {
    NotifyChild(EVENT_OBJECT_REORDER, hwnd, CHILDID_SELF);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (SlotButton(slot).opensPanel) NotifyChild(EVENT_OBJECT_STATECHANGE, hwnd, SlotChildId(slot));
    }
}

void ResetAccessibleForTesting() { announcedMaximized = false; }
