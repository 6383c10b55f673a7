// Painting of the toolbar band into any device context at least toolbarHeight high.
#pragma once

#include <windows.h>

// Background, hover fill, the buttons' glyphs, the address bar's rounded frame, the bottom rule and,
// while a page loads, the loading bar. Only rc.right (the client width) is read.
void PaintToolbar(HDC hdc, RECT rc);

// The loading bar's end: 0.4 of the client width, computed in single precision and truncated.
int LoadingBarLength(int clientWidth);
