#include "app/toolbar.h"

#include "addressbar/navigate.h"
#include "app/state.h"
#include "webhost/webview_host.h"

namespace {

int SlotTop(int buttonSize, int toolbarHeight) { return (toolbarHeight - buttonSize) / 2; }

int ClientWidth(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return rc.right;
}

}  // namespace

void RunSlotAction(HWND hwnd, int slot) {
    switch (slot) {
    case kSlotBack:
        if (webviewReady) webview->GoBack();
        break;
    case kSlotForward:
        if (webviewReady) webview->GoForward();
        break;
    case kSlotRefresh:
        if (webviewReady) webview->Reload();
        break;
    case kSlotHome:
        NavigateTo(homeUrl);
        break;
    case kSlotClose:
        // Posted, so the window closes after this click has been handled.
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        break;
    case kSlotMaximize:
        ShowWindow(hwnd, IsZoomed(hwnd) ? SW_RESTORE : SW_MAXIMIZE);
        break;
    case kSlotMinimize:
        ShowWindow(hwnd, SW_MINIMIZE);
        break;
    case kSlotMenu:
        menuOpen = !menuOpen;
        ResizeWebView();
        // Erase, so the strip that the moved web view uncovers shows the class background.
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    }
}

RECT SlotRect(int slot, int clientWidth, int buttonSize, int toolbarHeight) {
    const int step = buttonSize + kSlotGap;
    const int top = SlotTop(buttonSize, toolbarHeight);
    int left;
    if (slot < kSlotClose) {
        left = kSlotMargin + slot * step;
    } else {
        left = clientWidth - kSlotMargin - (slot - kSlotClose) * step - buttonSize;
    }
    return RECT{left, top, left + buttonSize, top + buttonSize};
}

bool SlotContains(int slot, int x, int y, int clientWidth, int buttonSize, int toolbarHeight) {
    const RECT r = SlotRect(slot, clientWidth, buttonSize, toolbarHeight);
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

int HoverSlotAt(int x, int y, int clientWidth, int buttonSize, int toolbarHeight) {
    int candidate = kSlotNone;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (SlotContains(slot, x, y, clientWidth, buttonSize, toolbarHeight)) candidate = slot;
    }
    return candidate;
}

POINT MousePoint(LPARAM lParam) {
    const DWORD value = static_cast<DWORD>(lParam);
    return POINT{static_cast<LONG>(LOWORD(value)), static_cast<LONG>(HIWORD(value))};
}

void OnToolbarMouseMove(HWND hwnd, LPARAM lParam) {
    const POINT pt = MousePoint(lParam);
    const int top = SlotTop(buttonSize, toolbarHeight);
    int candidate = kSlotNone;
    // Outside the slot band the client rectangle is not even read.
    if (pt.y >= top && pt.y <= top + buttonSize) {
        candidate = HoverSlotAt(pt.x, pt.y, ClientWidth(hwnd), buttonSize, toolbarHeight);
    }
    if (candidate == hoverIndex) return;

    hoverIndex = candidate;
    // Re-armed on every change, also to -1, so the leave notification stays armed.
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = hMainWnd;
    tme.dwHoverTime = 0;
    TrackMouseEvent(&tme);
    InvalidateRect(hMainWnd, nullptr, FALSE);
}

void OnToolbarMouseLeave() {
    hoverIndex = kSlotNone;
    InvalidateRect(hMainWnd, nullptr, FALSE);
}

void OnToolbarClick(HWND hwnd, LPARAM lParam) {
    const POINT pt = MousePoint(lParam);
    const int top = SlotTop(buttonSize, toolbarHeight);
    if (pt.y < top || pt.y > top + buttonSize) return;

    // Every slot that contains the point acts, in order: in narrow windows two may overlap.
    // The positions come from this one reading, even if an action resizes the window.
    const int width = ClientWidth(hwnd);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (SlotContains(slot, pt.x, pt.y, width, buttonSize, toolbarHeight)) RunSlotAction(hwnd, slot);
    }
}
