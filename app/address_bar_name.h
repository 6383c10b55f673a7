// The address bar's name for readers. The bar has no label beside it to be named by, and its window
// text is the address: it is named through the system's Direct Annotation, which keeps the system's
// own object for the edit, or, where the system does not provide that, by an object of ours.
#pragma once

#include <windows.h>

// What readers call the bar.
inline constexpr wchar_t kAddressBarName[] = L"地址栏";

// At the bar's creation: asks the system to name the bar's client object.
void NameAddressBarForReaders(HWND bar);

// Before the bar is destroyed: the system forgets the name it was given.
void ForgetAddressBarName(HWND bar);

// The bar's WM_GETOBJECT: the edit's own answer where the system names the bar; else our object,
// which answers the name itself and hands every other interface to the system's object.
LRESULT OnAddressBarGetObject(HWND bar, WPARAM wParam, LPARAM lParam);
