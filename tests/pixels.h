// Off-screen drawing surfaces for painting tests: a 32-bit top-down DIB section selected into a
// memory DC, so that what GDI and GDI+ draw can be read back pixel by pixel.
#pragma once

#include <windows.h>

class PixelCanvas {
public:
    PixelCanvas(int width, int height, COLORREF fill);
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    RECT Bounds() const { return RECT{0, 0, width_, height_}; }

    void Fill(COLORREF colour);
    // The colour at (x, y) as RGB; the alpha byte GDI+ may write is ignored.
    COLORREF Pixel(int x, int y) const;
    // Pixels in r (right and bottom exclusive, clipped to the canvas) of exactly this colour.
    int CountExact(const RECT& r, COLORREF colour) const;
    int CountNotExact(const RECT& r, COLORREF colour) const;
    // The smallest rectangle holding every pixel of r whose red, green and blue are all below
    // `level`; empty when there is none.
    RECT ExtentDarkerThan(const RECT& r, int level) const;

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    const DWORD* bits_ = nullptr;
};

// The largest difference of any one channel.
int ColourDistance(COLORREF a, COLORREF b);

// How far a pixel has moved from `background` towards `ink`: 0 untouched, 1 fully inked. Used to
// read anti-aliased coverage without depending on how a renderer rounds it.
double InkCoverage(COLORREF pixel, COLORREF ink, COLORREF background);

// A hidden overlapped window at (100, 50) with the given client size, for painters that read
// child controls' positions. Message-only, so that it needs no X window and no desktop: it works
// on whatever display, or none, the Wine server runs.
HWND CreateHostWindow(int clientWidth, int clientHeight);
