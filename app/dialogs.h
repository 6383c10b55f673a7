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

// MessageBoxW, placed on its owner and answered on the key's release, as the page's dialogs are.
int TrovMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// For a dialog's procedure, on WM_COMMAND with IDOK or IDCANCEL: true when the answering key
// (Enter, Escape, Space) is still down, and the command waits for its release instead; a second
// command meanwhile (the key's auto-repeat) is dropped.
bool WaitForAnswerKeyRelease(HWND dialog, WPARAM command);

// For the same procedure, on WM_TIMER: true, with the command that waited, once the key is up (or
// the dialog is no longer active, or the wait has lasted long enough).
bool TakeReleasedAnswer(HWND dialog, WPARAM timerId, WPARAM* command);

// On WM_DESTROY: a dialog closed while its answer waited (its page went) leaves no wait behind.
void EndAnswerWait(HWND dialog);
