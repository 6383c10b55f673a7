// The main window procedure, the hub that hands every message to the part that owns it.
#pragma once

#include <windows.h>

inline constexpr wchar_t kWindowClassName[] = L"TrovBrowserClass";
inline constexpr wchar_t kWindowTitle[] = L"Trov Browser";

LRESULT CALLBACK BrowserWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The height of the painted band: the toolbar, plus the menu panel while it is open.
int BandHeight();

// What the band shows: the toolbar, and the menu panel while it is open, painted into any device
// context at least BandHeight() high. rc is the client rectangle; only its width is read.
void PaintBand(HDC hdc, const RECT& rc);

// One paint cycle through an off-screen bitmap of the band's height, copied in one transfer so
// that hover changes never flicker; paint fills the bitmap.
void PaintBuffered(HWND hwnd, int bandHeight, void (*paint)(HDC, const RECT&));

