// The painted toolbar for screen readers: an Active Accessibility object for the main window's
// client area, with a child per button, the address bar and, while the panel is open, its items.
#pragma once

#include <windows.h>
#include <oleacc.h>

// Our own copy: with the static link, the oleacc library's IID_IAccessible names the DLL's
// import entry, not the GUID.
inline constexpr IID kIidIAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// The system's accessibility functions, loaded from the system folder when a reader first asks (never
// a DLL of that name beside the program); null when any of them is missing.
struct OleaccFunctions {
    decltype(&LresultFromObject) lresultFromObject;
    decltype(&CreateStdAccessibleObject) createStdAccessibleObject;
    decltype(&AccessibleObjectFromWindow) accessibleObjectFromWindow;
    decltype(&SysAllocString) sysAllocString;  // oleaut32, which oleacc loads anyway
};
const OleaccFunctions* Oleacc();

// Whether WM_GETOBJECT's lParam asks for the client object. Compared as 32-bit values: the id may
// arrive sign-extended or not (from another process under Wine it does not), and a miss would
// leave readers with the system's object.
bool AsksForClientObject(LPARAM lParam);

// The child id of a toolbar slot: children come in reading order, left to right.
long SlotChildId(int slot);

// The main window's WM_GETOBJECT: its client area answers with the toolbar's object.
LRESULT OnGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam);

// Tell readers what changed: the hovered slot, the window maximised or restored (the maximise
// slot's name), the panel opened or closed (its items come and go).
void NotifyHoverChange(int oldSlot, int newSlot);
void NotifyWindowStateChange(HWND hwnd);
void NotifyMenuPanelChange(HWND hwnd);
// The panel item of the given index took the keyboard focus.
void NotifyMenuItemFocus(HWND hwnd, int index);
// Full screen hid the band's buttons, or leaving it showed them again (the bar, a window of its
// own, is announced by the system).
void NotifyBandShown(HWND hwnd, bool shown);

// Tests only: forgets what readers were last told of the window's state.
void ResetAccessibleForTesting();
