// Painting of the toolbar band into any device context at least toolbarHeight high.
#pragma once

#include "chrome/glyphs.h"

#include <windows.h>

// One button as painted: its square in client coordinates, its glyph, and whether its hover fill
// is the close button's red. The caller works these out from its buttons and their geometry.
struct ButtonFace {
    RECT square;
    GlyphPainter glyph;
    bool redHover;
};

// Background, hover fill, the buttons' glyphs, the address bar's rounded frame, the bottom rule and,
// while a page loads, the loading bar. Only rc.right (the client width) is read. buttons holds one
// face per slot in slot order, so hoverIndex names the hovered one; a later button covers an
// earlier one where they overlap.
void PaintToolbar(HDC hdc, RECT rc, const ButtonFace* buttons, int count);

// The loading bar's end: 0.4 of the client width, computed in single precision and truncated.
int LoadingBarLength(int clientWidth);
