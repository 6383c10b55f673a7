// Process start-up and tear-down around the main window and its message loop.
#pragma once

#include <windows.h>

// Everything WinMain does: start the facilities, open the window, pump, tear down. Returns 0, or 1
// at once when the window cannot be made.
int RunBrowser(HINSTANCE instance, int showCommand);

// The steps of RunBrowser, also used by the tests to open real windows in-process.
void StartProcessFacilities();
void StopProcessFacilities();
ATOM RegisterBrowserClass(HINSTANCE instance);
HWND CreateBrowserWindow(HINSTANCE instance);
