// Process start-up and tear-down around the main window and its message loop.
#pragma once

#include <windows.h>

// The process's exit codes: the window was closed; it could not be made; something other than
// the person or the session destroyed it.
inline constexpr int kExitClosed = 0;
inline constexpr int kExitNoWindow = 1;
inline constexpr int kExitWindowTaken = 2;

// How many windows a start tries before it gives up.
inline constexpr int kWindowTries = 3;

// Everything WinMain does: start the facilities, open the window, pump, tear down. Returns one of
// the exit codes above.
int RunBrowser(HINSTANCE instance, int showCommand);

// WM_CLOSE or WM_ENDSESSION reached the window: its end is the person's or the session's.
void NoteCloseAsked();

// The steps of RunBrowser, also used by the tests to open real windows in-process.
void StartProcessFacilities();
void StopProcessFacilities();
ATOM RegisterBrowserClass(HINSTANCE instance);
HWND CreateBrowserWindow(HINSTANCE instance);
