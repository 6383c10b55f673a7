#include "app/focus.h"

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/state.h"
#include "webhost/engine.h"

namespace {

// Where the focus was when the window last lost it, so that it can go back there.
FocusPlace savedFocus = FocusPlace::MainWindow;

// Between the engine's GotFocus and LostFocus: the page has the keyboard. Only the engine can say
// so, since on Windows the page's window belongs to another process.
bool pageHasFocus = false;

// Windows activates a minimised window before restoring it, and the activation can give no focus
// then: the focus is owed until the restore gives the main window the focus.
bool focusOwedOnRestore = false;

// Where the focus was when the panel opened; only a panel opened through its command noted it.
FocusPlace focusBeforeMenu = FocusPlace::MainWindow;
bool focusBeforeMenuNoted = false;

}  // namespace

// The bar is asked first: the engine's LostFocus may still be on its way when the bar took over.
// No focus at all: the window was disabled, minimised or left first, and what was noted then stands.
FocusPlace CurrentFocusPlace() {
    const HWND focus = GetFocus();
    if (focus && focus == hAddressBar) return FocusPlace::AddressBar;
    if (pageHasFocus) return FocusPlace::Page;
    if (focus && focus == hMainWnd) return FocusPlace::MainWindow;
    return savedFocus;
}

void RememberFocus() { savedFocus = CurrentFocusPlace(); }

void NotePageFocus(bool hasFocus) { pageHasFocus = hasFocus; }

void ForgetPageFocus() { pageHasFocus = false; }

bool RestoreFocus() { return MoveFocusTo(savedFocus); }

bool MoveFocusTo(FocusPlace place) {
    switch (place) {
    case FocusPlace::AddressBar:
        if (!hAddressBar) return false;
        SetFocus(hAddressBar);  // the edit control keeps its caret and selection meanwhile
        return true;
    case FocusPlace::Page:
        return MoveFocusIntoPage(PageFocus::WhereItWas);
    case FocusPlace::MainWindow:
        break;
    }
    return false;
}

// The default handling gives the focus to the main window on activation; a minimised window takes none.
LRESULT OnActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const bool minimized = HIWORD(wParam) != 0;
    focusOwedOnRestore = LOWORD(wParam) != WA_INACTIVE && minimized;
    if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus();
    } else if (!minimized && RestoreFocus()) {
        return 0;
    }
    return DefWindowProcW(hwnd, WM_ACTIVATE, wParam, lParam);
}

// Wine restores first and activates after; Windows activates the minimised window first and gives
// the main window the focus when it restores it. Any other focus of the main window is meant for it.
void OnMainWindowFocus() {
    if (!focusOwedOnRestore) return;
    focusOwedOnRestore = false;
    RestoreFocus();
}

void RememberFocusWhenMinimized(WPARAM sizeType) {
    if (sizeType == SIZE_MINIMIZED) RememberFocus();
}

// Noted before the box opens: disabling the owner takes the focus away before any deactivation.
int MessageBoxKeepingFocus(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    RememberFocus();
    const int answer = TrovMessageBox(owner, text, caption, type);
    RestoreFocus();
    return answer;
}

void RememberFocusBeforeMenu() {
    focusBeforeMenu = CurrentFocusPlace();
    focusBeforeMenuNoted = true;
}

void GiveFocusBackAfterMenu(HWND hwnd) {
    if (!focusBeforeMenuNoted) return;
    focusBeforeMenuNoted = false;
    if (GetActiveWindow() != hwnd) return;  // its activation gives the focus back later
    if (!MoveFocusTo(focusBeforeMenu)) SetFocus(hwnd);
}

void ForgetFocusBeforeMenu() { focusBeforeMenuNoted = false; }

bool TakeFocusFromPage() {
    if (!hAddressBar) return false;
    PostCommand(hMainWnd, Command::FocusAddressBar);
    return true;
}

void ResetFocusForTesting() {
    savedFocus = FocusPlace::MainWindow;
    pageHasFocus = false;
    focusOwedOnRestore = false;
    focusBeforeMenuNoted = false;
}
