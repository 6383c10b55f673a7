// What every dialog of Trov's shares, the page's dialogs and the panel's message boxes: it sits
// centred on Trov's window, inside that monitor's work area, and the key that answers it is let go
// inside it, so that neither the page nor Trov sees that key again.
#pragma once

#include <windows.h>

// Where a dialog of the given size goes: centred on the owner's window, then moved as little as
// needed to lie inside the work area (its top-left corner kept inside when it is larger).
POINT CenteredOnOwner(const RECT& owner, SIZE dialog, const RECT& work);

// Moves the dialog there, in the work area of the monitor nearest to the owner.
void PlaceOnOwner(HWND dialog, HWND owner);

// MessageBoxW, placed on its owner, its answering key let go inside it as the page's dialogs do.
int TrovMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// A WH_MSGFILTER hook for the thread while a dialog of Trov's is up: Enter and Escape, which answer
// it on their press, wait there for their release, which the dialog takes from the queue (Space
// answers on its release already).
LRESULT CALLBACK WaitForAnswerKeyRelease(int code, WPARAM wParam, LPARAM lParam);
