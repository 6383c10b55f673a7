// The main window procedure, the hub that hands every message to the part that owns it.
#pragma once

#include <windows.h>

inline constexpr wchar_t kWindowClassName[] = L"TrovBrowserClass";
inline constexpr wchar_t kWindowTitle[] = L"Trov Browser";

LRESULT CALLBACK BrowserWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The height of the painted band: the toolbar, plus the menu panel while it is open.
int BandHeight();
