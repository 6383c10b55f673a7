#include "app/focus.h"

#include "app/state.h"

namespace {

// Where the focus was when the window last lost it, so that it can go back there.
FocusPlace savedFocus = FocusPlace::MainWindow;

// Where the focus window belongs; false when it is none of the main window's.
bool FocusPlaceOf(HWND focus, FocusPlace* place) {
    if (!focus) return false;
    if (focus == hAddressBar) {
        *place = FocusPlace::AddressBar;
    } else if (focus == hMainWnd) {
        *place = FocusPlace::MainWindow;
    } else if (IsChild(hMainWnd, focus)) {
        *place = FocusPlace::Page;  // the web view's windows are the main window's only other children
    } else {
        return false;
    }
    return true;
}

}  // namespace

// No focus at all: the window was disabled or minimised first, and what was noted before stands.
void RememberFocus() { FocusPlaceOf(GetFocus(), &savedFocus); }

bool RestoreFocus() { return MoveFocusTo(savedFocus); }

FocusPlace CurrentFocusPlace() {
    FocusPlace place = savedFocus;
    FocusPlaceOf(GetFocus(), &place);
    return place;
}

bool MoveFocusTo(FocusPlace place) {
    switch (place) {
    case FocusPlace::AddressBar:
        if (!hAddressBar) return false;
        SetFocus(hAddressBar);  // the edit control keeps its caret and selection meanwhile
        return true;
    case FocusPlace::Page:
        if (!webviewController) return false;
        webviewController->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
        return true;
    case FocusPlace::MainWindow:
        break;
    }
    return false;
}

// The default handling gives the focus to the main window on activation; a minimised window takes none.
LRESULT OnActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus();
    } else if (!HIWORD(wParam) && RestoreFocus()) {
        return 0;
    }
    return DefWindowProcW(hwnd, WM_ACTIVATE, wParam, lParam);
}

void RememberFocusWhenMinimized(WPARAM sizeType) {
    if (sizeType == SIZE_MINIMIZED) RememberFocus();
}

// Noted before the box opens: disabling the owner takes the focus away before any deactivation.
int MessageBoxKeepingFocus(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    RememberFocus();
    const int answer = MessageBoxW(owner, text, caption, type);
    RestoreFocus();
    return answer;
}

void ResetFocusForTesting() { savedFocus = FocusPlace::MainWindow; }
