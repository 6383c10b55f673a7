// The address bar: a subclassed single-line EDIT control in the toolbar band.
#pragma once

#include <windows.h>

inline constexpr int ID_ADDRESS_BAR = 1005;

inline constexpr int kAddressBarLeft = 250;
inline constexpr int kAddressBarTop = 14;
inline constexpr int kAddressBarHeight = 36;
inline constexpr int kAddressBarWidthMargin = 490;
inline constexpr int kAddressBarMinWidth = 100;
inline constexpr COLORREF kAddressBarBackground = RGB(246, 246, 246);
// The longest address the bar takes from typing or a paste: Chromium's own limit of a URL (2 MB),
// so that the engine is sent whole what was pasted. The edit control's default is 32,767
// characters (30,000 under Wine).
inline constexpr int kAddressBarMaxLength = 2 * 1024 * 1024;

// The address bar's width for a client area of the given width.
int AddressBarWidth(int clientWidth);

// Whether a click on the main window at (x, y) moves the focus into the address bar.
bool InAddressBarFocusBand(int x, int y, int screenWidth);

void CreateAddressBar(HWND parent, HINSTANCE instance);
void LayoutAddressBar(HWND parent);
LRESULT OnAddressBarColor(HDC dc);
// Navigates to the bar's text; false when the bar is empty and nothing was asked for.
bool NavigateToAddressBarText();

// Writes an address the engine reported into the bar, unless the person is editing the bar (it has
// the focus and text they changed since the program last wrote it): their typing is kept.
void ShowAddressInBar(const wchar_t* url);

// The one way the program writes the bar: the address, as it reads (DisplayAddress), replaces the
// person's text, whose edit ends.
void WriteAddressBar(const wchar_t* url);

// Ends the person's edit, so that the next address the engine reports is shown.
void EndAddressBarEdit();
void ApplyAddressBarFocusRule(POINT pt);

LRESULT CALLBACK AddressBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Readers' questions to the bar (WM_GETOBJECT), answered by the application's accessibility code,
// which sets this once at the window's creation; unset, the edit control answers them itself.
extern LRESULT (*answerAddressBarReaders)(HWND bar, WPARAM wParam, LPARAM lParam);

// Tests only: forgets the kept selection and a click under way.
void ResetAddressBarForTesting();
