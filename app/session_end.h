// The end of the person's session (log-off, shutdown, an installer's Restart Manager): Windows sends
// no WM_CLOSE then, and ends the process once WM_ENDSESSION has returned.
#pragma once

#include <windows.h>

// Windows starts Trov again after closing it for an update (the Restart Manager's WM_ENDSESSION with
// ENDSESSION_CLOSEAPP, or a restart of the machine for an update) only when it registered, with no
// command line: Trov takes none. Not after a crash or a hang of Trov's own: Windows would offer to
// start it into the same fault again; the person starts it when they want.
inline constexpr DWORD kRestartFlags = RESTART_NO_CRASH | RESTART_NO_HANG;
void RegisterForRestartAfterUpdates();

// WM_QUERYENDSESSION: Trov never holds the session up nor asks anything at its end.
LRESULT OnQueryEndSession();

// WM_ENDSESSION: when the session ends (wParam TRUE), the engine is closed and the window goes now,
// inside the message, without asking the page; the program then exits with 0. FALSE: nothing changes.
LRESULT OnEndSession(HWND hwnd, WPARAM ending);
