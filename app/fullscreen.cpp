#include "app/fullscreen.h"

#include "app/accessible_events.h"
#include "app/focus.h"
#include "app/menu.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "webhost/engine.h"
#include "webhost/messages.h"

namespace {

// What the window was before it went full screen, put back exactly when it leaves.
struct SavedWindow {
    WINDOWPLACEMENT placement = {};
    RECT rect = {};  // the window's rectangle: a maximised one's, for an inactive window's way back
    LONG_PTR style = 0;
    FocusPlace focus = FocusPlace::MainWindow;
};

FullScreenHolders holders;
bool windowIsFullScreen = false;
SavedWindow saved;
// Full screen was left while minimised by a window that had been maximised: its next restore
// maximises it.
bool maximizeOwed = false;

// The caption, the sizing frame and their buttons go; WS_CLIPCHILDREN and the rest stay. A maximised
// window is not maximised meanwhile, so that leaving maximises it again from its normal place.
constexpr LONG_PTR kFrameStyles = WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_MAXIMIZE;

// The hint that F11 leaves full screen: a small band at the top of the screen, shown without taking
// the activation or the focus, gone after a few seconds (kFullScreenHintTimer) or when full screen
// ends. A static control: it paints its text and lets clicks through to the page (HTTRANSPARENT).
// Room for the text in the window's 20-pixel font, with a margin.
constexpr int kHintWidth = 240;
constexpr int kHintHeight = 44;
constexpr int kHintTop = 24;
constexpr wchar_t kHintClass[] = L"TrovFullScreenHint";

HWND hint = nullptr;

// Owned by the window, so that it stays above it; topmost and never activated.
void ShowFullScreenHint(HWND owner, const RECT& monitor) {
    HideFullScreenHint(owner);
    // The static control's own class draws with its parent's DC, which a window of its own must not:
    // the same control, in a class without CS_PARENTDC.
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    GetClassInfoExW(nullptr, L"STATIC", &wc);
    wc.style &= ~CS_PARENTDC;
    wc.lpszClassName = kHintClass;
    RegisterClassExW(&wc);  // fails harmlessly once registered
    hint = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kHintClass, kFullScreenHintText,
                           WS_POPUP | WS_BORDER | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0, 0, 0, owner, nullptr,
                           nullptr, nullptr);
    if (!hint) return;
    SendMessageW(hint, WM_SETFONT, reinterpret_cast<WPARAM>(hUIFont), FALSE);
    const int left = monitor.left + ((monitor.right - monitor.left) - kHintWidth) / 2;
    SetWindowPos(hint, HWND_TOPMOST, left, monitor.top + kHintTop, kHintWidth, kHintHeight, SWP_NOACTIVATE);
    ShowWindow(hint, SW_SHOWNOACTIVATE);
    SetTimer(owner, kFullScreenHintTimer, kFullScreenHintMs, nullptr);
}

RECT MonitorRectOf(HWND hwnd) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcMonitor;
}

// Only F11 needs saying how to leave: a page's element is left by Escape, as everywhere.
void EnterFullScreen(HWND hwnd, bool byKey) {
    saved.placement.length = sizeof(saved.placement);
    GetWindowPlacement(hwnd, &saved.placement);
    GetWindowRect(hwnd, &saved.rect);
    saved.style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if (menuOpen) SetMenuPanelOpen(hwnd, false);  // first: its closing gives the focus back
    saved.focus = CurrentFocusPlace();
    hoverIndex = kSlotNone;
    windowIsFullScreen = true;

    // Hiding the focused bar hands the focus to the main window; the page is where keys belong now.
    if (hAddressBar) ShowWindow(hAddressBar, SW_HIDE);
    if (saved.focus == FocusPlace::AddressBar && GetActiveWindow() == hwnd) MoveFocusTo(FocusPlace::Page);

    const RECT monitor = MonitorRectOf(hwnd);
    SetWindowLongPtrW(hwnd, GWL_STYLE, (saved.style & ~kFrameStyles) | WS_POPUP);
    // Not activated: a page's element may take the screen while the person works in another window.
    SetWindowPos(hwnd, HWND_TOP, monitor.left, monitor.top, monitor.right - monitor.left,
                 monitor.bottom - monitor.top, SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ResizeWebView();  // also when the window already covered the monitor and got no WM_SIZE
    InvalidateRect(hwnd, nullptr, TRUE);
    NotifyBandShown(hwnd, false);
    if (byKey) ShowFullScreenHint(hwnd, monitor);
}

// A window the person put away stays minimised and inactive; its next restore shows it where it
// was, normal or maximised. WPF_RESTORETOMAXIMIZED holds only with SW_SHOWMINIMIZED, which would
// activate the window: a maximise is owed instead, and paid at the restore.
void PutBackMinimized(HWND hwnd) {
    WINDOWPLACEMENT away = saved.placement;
    away.showCmd = SW_SHOWMINNOACTIVE;
    away.flags = 0;
    SetWindowPlacement(hwnd, &away);
    maximizeOwed = saved.placement.showCmd == SW_SHOWMAXIMIZED;
}

// First to the normal place, so that a window maximised again from there keeps it as its normal place;
// an inactive window stays inactive there. A maximise has no such form, and activates: an inactive
// window is maximised by its style over its old rectangle instead, and its restore goes back to the
// normal place as from any maximise.
void PutBackShown(HWND hwnd) {
    const bool active = GetActiveWindow() == hwnd;
    WINDOWPLACEMENT normal = saved.placement;
    normal.showCmd = active ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE;
    SetWindowPlacement(hwnd, &normal);
    if (saved.placement.showCmd == SW_SHOWNORMAL) return;
    if (active) {
        SetWindowPlacement(hwnd, &saved.placement);
        return;
    }
    SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_MAXIMIZE);
    const RECT& r = saved.rect;
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void LeaveFullScreen(HWND hwnd) {
    windowIsFullScreen = false;
    HideFullScreenHint(hwnd);
    const bool minimized = IsIconic(hwnd) != FALSE;
    SetWindowLongPtrW(hwnd, GWL_STYLE, (saved.style & ~WS_MAXIMIZE) | (minimized ? WS_MINIMIZE : 0));
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (minimized) {
        PutBackMinimized(hwnd);
    } else {
        PutBackShown(hwnd);
    }

    if (hAddressBar) ShowWindow(hAddressBar, SW_SHOWNA);
    ResizeWebView();
    InvalidateRect(hwnd, nullptr, TRUE);
    NotifyBandShown(hwnd, true);
    // An inactive or minimised window takes no focus now; its activation puts the focus back by itself.
    if (GetActiveWindow() == hwnd && !minimized && !MoveFocusTo(saved.focus)) SetFocus(hwnd);
}

}  // namespace

FullScreenHolders NextFullScreenHolders(FullScreenHolders current, FullScreenEvent event) {
    switch (event) {
    case FullScreenEvent::KeyPressed:
        if (!current.byElement) current.byKey = !current.byKey;
        break;
    case FullScreenEvent::ElementEntered:
        current.byElement = true;
        break;
    case FullScreenEvent::ElementLeft:
        current.byElement = false;
        break;
    case FullScreenEvent::LeaveAll:
        current = FullScreenHolders{};
        break;
    }
    return current;
}

void ApplyFullScreenEvent(HWND hwnd, FullScreenEvent event) {
    const FullScreenHolders next = NextFullScreenHolders(holders, event);
    // A minimised window is not made to cover the screen: F11 there does nothing.
    if (next.IsFullScreen() && !windowIsFullScreen && IsIconic(hwnd)) return;
    holders = next;
    if (holders.IsFullScreen() == windowIsFullScreen || !IsWindow(hwnd)) return;
    if (holders.IsFullScreen()) {
        EnterFullScreen(hwnd, event == FullScreenEvent::KeyPressed);
    } else {
        LeaveFullScreen(hwnd);
    }
}

// Asked now rather than at the event: a message posted before a restart finds the new view.
void OnFullScreenElementChanged(HWND hwnd) {
    ApplyFullScreenEvent(hwnd, PageHasFullScreenElement() ? FullScreenEvent::ElementEntered : FullScreenEvent::ElementLeft);
}

bool IsFullScreen() { return windowIsFullScreen; }

HWND FullScreenHint() { return hint; }

void HideFullScreenHint(HWND hwnd) {
    KillTimer(hwnd, kFullScreenHintTimer);
    if (hint) DestroyWindow(hint);
    hint = nullptr;
}

bool PayOwedMaximize(HWND hwnd, WPARAM sizeType) {
    if (sizeType == SIZE_MINIMIZED || !maximizeOwed) return false;
    maximizeOwed = false;
    if (sizeType != SIZE_RESTORED) return false;  // maximised by other means meanwhile
    ShowWindow(hwnd, SW_MAXIMIZE);
    return true;
}

void ResetFullScreenForTesting() {
    holders = FullScreenHolders{};
    windowIsFullScreen = false;
    saved = SavedWindow{};
    maximizeOwed = false;
    hint = nullptr;  // went with its test's window
}
