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
    // Pixels whose red, green and blue are each at most `level`.
    int CountDarkerThan(const RECT& r, int level) const;

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

// A hidden 1200 by 800 (client) overlapped window at (100, 50) for painters that read child
// controls' positions. Message-only, so that no X window is made: the shared Wine server may run
// its desktop on another display than this process.
HWND CreateHostWindow(int clientWidth, int clientHeight);
