// The toolbar's button symbols, drawn as anti-aliased line art in the square of edge `size`
// whose top-left corner is (x, y), in the GDI colour `colour`.
#pragma once

#include <windows.h>

void DrawBackGlyph(HDC hdc, int x, int y, int size, COLORREF colour);
void DrawForwardGlyph(HDC hdc, int x, int y, int size, COLORREF colour);
void DrawRefreshGlyph(HDC hdc, int x, int y, int size, COLORREF colour);
void DrawHomeGlyph(HDC hdc, int x, int y, int size, COLORREF colour);
void DrawCloseGlyph(HDC hdc, int x, int y, int size, COLORREF colour);
void DrawMaximizeGlyph(HDC hdc, int x, int y, int size, COLORREF colour);
void DrawMinimizeGlyph(HDC hdc, int x, int y, int size, COLORREF colour);
void DrawMenuGlyph(HDC hdc, int x, int y, int size, COLORREF colour);

using GlyphPainter = void (*)(HDC, int, int, int, COLORREF);
