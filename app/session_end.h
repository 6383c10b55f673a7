// The end of the person's session (log-off, shutdown, an installer's Restart Manager): Windows sends
// no WM_CLOSE then, and ends the process once WM_ENDSESSION has returned.
#pragma once

#include <windows.h>

// WM_QUERYENDSESSION: Trov never holds the session up nor asks anything at its end.
LRESULT OnQueryEndSession();

// WM_ENDSESSION: when the session ends (wParam TRUE), the engine is closed and the window goes now,
// inside the message, without asking the page; the program then exits with 0. FALSE: nothing changes.
LRESULT OnEndSession(HWND hwnd, WPARAM ending);
