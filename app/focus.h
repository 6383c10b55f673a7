// The keyboard focus comes back where it was: to the address bar or to the page, when the main
// window is activated again or one of its message boxes closes.
#pragma once

#include <windows.h>

// Where the keyboard focus is in the main window.
enum class FocusPlace { MainWindow, AddressBar, Page };

// Notes where the focus is now, if it is in the main window, the address bar or the page.
void RememberFocus();

// The engine's GotFocus and LostFocus events: whether the page has the keyboard focus.
void NotePageFocus(bool hasFocus);

// The page is gone with its engine; a new one says when it has the focus.
void ForgetPageFocus();

// Puts the focus back into the address bar or the page; false when it belongs to the main window
// itself (or the place is gone), which the default handling gives it.
bool RestoreFocus();

// Where the focus is now; in an inactive window, which has none, where it was when it left.
FocusPlace CurrentFocusPlace();

// Puts the focus into the address bar or the page; false when the place is the main window itself
// or is gone, which the caller then gives the focus to.
bool MoveFocusTo(FocusPlace place);

// The main window's WM_ACTIVATE.
LRESULT OnActivate(HWND hwnd, WPARAM wParam, LPARAM lParam);

// The main window's WM_SETFOCUS: after an activation while minimised, the restore's focus goes on
// to the remembered place.
void OnMainWindowFocus();

// A step of the main window's WM_SIZE: a window minimised while it stays active loses no
// activation, so that is the last moment the focus is seen where it was.
void RememberFocusWhenMinimized(WPARAM sizeType);

// A message box over the main window, after which the focus returns where it was before it.
int MessageBoxKeepingFocus(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// The engine's move-focus event: Tab left the page's last element, or Shift+Tab its first. The
// address bar is next either way: it takes the focus with its text selected, once the event has
// returned. True when it does, which the engine is told at once so that it does not move the
// focus on by itself; without a bar the engine's default stands.
bool TakeFocusFromPage();

// The menu panel opens: notes where the focus is, which its closing gives back.
void RememberFocusBeforeMenu();
// The panel closed: the focus goes back to where it was when it opened, if that was noted and the
// window is the active one.
void GiveFocusBackAfterMenu(HWND hwnd);
// A click outside the panel closes it and puts the focus where it lands: nothing to give back.
void ForgetFocusBeforeMenu();

// Tests only: forgets where the focus was.
void ResetFocusForTesting();
