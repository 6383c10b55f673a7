#include "app/focus.h"

#include "app/commands.h"
#include "app/state.h"

namespace {

// Where the focus was when the window last lost it, so that it can go back there.
FocusPlace savedFocus = FocusPlace::MainWindow;

}  // namespace

void RememberFocus() {
    const HWND focus = GetFocus();
    // No focus at all: the window was disabled or minimised first, and what was noted before stands.
    if (!focus) return;
    if (focus == hAddressBar) {
        savedFocus = FocusPlace::AddressBar;
    } else if (focus == hMainWnd) {
        savedFocus = FocusPlace::MainWindow;
    } else if (IsChild(hMainWnd, focus)) {
        savedFocus = FocusPlace::Page;  // the web view's windows are the main window's only other children
    }
}

bool RestoreFocus() {
    switch (savedFocus) {
    case FocusPlace::AddressBar:
        if (!hAddressBar) return false;
        SetFocus(hAddressBar);  // the edit control keeps its caret and selection meanwhile
        return true;
    case FocusPlace::Page:
        return MoveFocusIntoPage(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
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

bool MoveFocusIntoPage(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    if (!webviewReady || !webviewController) return false;
    webviewController->MoveFocus(reason);
    return true;
}

// Handled only when the bar took the focus: otherwise the engine's own default moves it on.
HRESULT OnMoveFocusRequested(ICoreWebView2Controller*, ICoreWebView2MoveFocusRequestedEventArgs* args) {
    if (!args) return S_OK;
    RunCommand(hMainWnd, Command::FocusAddressBar);
    if (hAddressBar && GetFocus() == hAddressBar) args->put_Handled(TRUE);
    return S_OK;
}

void ResetFocusForTesting() { savedFocus = FocusPlace::MainWindow; }
