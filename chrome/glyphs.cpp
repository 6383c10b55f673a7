#include "chrome/glyphs.h"

#include "chrome/paint_owners.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

constexpr REAL kWidePen = 3.5f;
constexpr REAL kNarrowPen = 2.5f;

ARGB OpaqueArgb(COLORREF colour) {
    return 0xFF000000u | (static_cast<ARGB>(GetRValue(colour)) << 16) | (static_cast<ARGB>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

// One glyph's drawing surface and pen, created for this call and deleted at its end, the pen first.
struct GlyphCanvas {
    GdipOwned<GpGraphics> graphics;
    GdipOwned<GpPen> pen;

    GlyphCanvas(HDC hdc, COLORREF colour, REAL penWidth) {
        GdipCreateFromHDC(hdc, graphics.Out());
        GdipSetSmoothingMode(graphics.Get(), SmoothingModeAntiAlias);
        GdipCreatePen1(OpaqueArgb(colour), penWidth, UnitWorld, pen.Out());
    }

    GpGraphics* g() const { return graphics.Get(); }
    void Line(int x1, int y1, int x2, int y2) { GdipDrawLineI(g(), pen.Get(), x1, y1, x2, y2); }
};

}  // namespace

void DrawBackGlyph(HDC hdc, int x, int y, int size, COLORREF colour) {
    GlyphCanvas canvas(hdc, colour, kWidePen);
    const int cx = x + size / 2, cy = y + size / 2, t = size / 3;
    canvas.Line(cx + 4, cy - t, cx - t + 4, cy);
    canvas.Line(cx - t + 4, cy, cx + 4, cy + t);
}

void DrawForwardGlyph(HDC hdc, int x, int y, int size, COLORREF colour) {
    GlyphCanvas canvas(hdc, colour, kWidePen);
    const int cx = x + size / 2, cy = y + size / 2, t = size / 3;
    canvas.Line(cx - 4, cy - t, cx + t - 4, cy);
    canvas.Line(cx + t - 4, cy, cx - 4, cy + t);
}

void DrawRefreshGlyph(HDC hdc, int x, int y, int size, COLORREF colour) {
    GlyphCanvas canvas(hdc, colour, kWidePen);
    GdipOwned<GpSolidFill> brush;  // deleted before the canvas
    GdipCreateSolidFill(OpaqueArgb(colour), brush.Out());
    const int cx = x + size / 2, cy = y + size / 2, t = size / 3;
    // Open on the right, around the circle's rightmost point.
    GdipDrawArcI(canvas.g(), canvas.pen.Get(), cx - t, cy - t, 2 * t, 2 * t, 45.0f, 270.0f);
    const Point arrowhead[3] = {Point(cx + 4, cy - t), Point(cx + 4, cy - t + 8), Point(cx + 12, cy - t + 4)};
    GdipFillPolygonI(canvas.g(), brush.Get(), arrowhead, 3, FillModeAlternate);
}

void DrawHomeGlyph(HDC hdc, int x, int y, int size, COLORREF colour) {
    GlyphCanvas canvas(hdc, colour, kWidePen);
    const int cx = x + size / 2, cy = y + size / 2, t = size / 3;
    canvas.Line(cx - t, cy, cx, cy - t);
    canvas.Line(cx, cy - t, cx + t, cy);
    GdipDrawRectangleI(canvas.g(), canvas.pen.Get(), cx - t + 4, cy, 2 * t - 8, t);
}

void DrawCloseGlyph(HDC hdc, int x, int y, int size, COLORREF colour) {
    GlyphCanvas canvas(hdc, colour, kNarrowPen);
    const int cx = x + size / 2, cy = y + size / 2, q = size / 4;
    canvas.Line(cx - q, cy - q, cx + q, cy + q);
    canvas.Line(cx + q, cy - q, cx - q, cy + q);
}

void DrawMaximizeGlyph(HDC hdc, int x, int y, int size, COLORREF colour) {
    GlyphCanvas canvas(hdc, colour, kNarrowPen);
    const int cx = x + size / 2, cy = y + size / 2, q = size / 4;
    GdipDrawRectangleI(canvas.g(), canvas.pen.Get(), cx - q, cy - q, 2 * q, 2 * q);
}

void DrawMinimizeGlyph(HDC hdc, int x, int y, int size, COLORREF colour) {
    GlyphCanvas canvas(hdc, colour, kNarrowPen);
    const int cx = x + size / 2, cy = y + size / 2, q = size / 4;
    canvas.Line(cx - q, cy, cx + q, cy);
}

void DrawMenuGlyph(HDC hdc, int x, int y, int size, COLORREF colour) {
    GlyphCanvas canvas(hdc, colour, kWidePen);
    const int cx = x + size / 2, cy = y + size / 2, t = size / 3;
    canvas.Line(cx - t, cy - 6, cx + t, cy - 6);
    canvas.Line(cx - t, cy, cx + t, cy);
    canvas.Line(cx - t, cy + 6, cx + t, cy + 6);
}
