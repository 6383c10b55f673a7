#include "pixels.h"

#include <algorithm>
#include <cstdlib>

PixelCanvas::PixelCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const DWORD*>(bits);
    oldBitmap_ = SelectObject(dc_, bitmap_);
    Fill(fill);
}

PixelCanvas::~PixelCanvas() {
    SelectObject(dc_, oldBitmap_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void PixelCanvas::Fill(COLORREF colour) {
    // Written directly, so that filling uses no GDI object of its own.
    GdiFlush();
    const DWORD value = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    DWORD* bits = const_cast<DWORD*>(bits_);
    std::fill(bits, bits + static_cast<size_t>(width_) * height_, value);
}

COLORREF PixelCanvas::Pixel(int x, int y) const {
    GdiFlush();
    const DWORD value = bits_[static_cast<size_t>(y) * width_ + x];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

namespace {

template <typename Predicate>
int CountIn(const PixelCanvas& canvas, const RECT& r, Predicate matches) {
    int count = 0;
    for (int y = std::max(0, static_cast<int>(r.top)); y < std::min(canvas.height(), static_cast<int>(r.bottom)); ++y) {
        for (int x = std::max(0, static_cast<int>(r.left)); x < std::min(canvas.width(), static_cast<int>(r.right));
             ++x) {
            if (matches(canvas.Pixel(x, y))) ++count;
        }
    }
    return count;
}

}  // namespace

int PixelCanvas::CountExact(const RECT& r, COLORREF colour) const {
    return CountIn(*this, r, [colour](COLORREF p) { return p == colour; });
}

int PixelCanvas::CountNotExact(const RECT& r, COLORREF colour) const {
    return CountIn(*this, r, [colour](COLORREF p) { return p != colour; });
}

RECT PixelCanvas::ExtentDarkerThan(const RECT& r, int level) const {
    RECT extent = {};
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF p = Pixel(x, y);
            if (GetRValue(p) >= level || GetGValue(p) >= level || GetBValue(p) >= level) continue;
            const RECT dot = {x, y, x + 1, y + 1};
            UnionRect(&extent, &extent, &dot);
        }
    }
    return extent;
}

int ColourDistance(COLORREF a, COLORREF b) {
    return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                     std::abs(GetBValue(a) - GetBValue(b))});
}

double InkCoverage(COLORREF pixel, COLORREF ink, COLORREF background) {
    // Measured on the channel where ink and background differ most.
    const int channels[3][3] = {{GetRValue(pixel), GetRValue(ink), GetRValue(background)},
                                {GetGValue(pixel), GetGValue(ink), GetGValue(background)},
                                {GetBValue(pixel), GetBValue(ink), GetBValue(background)}};
    int best = 0;
    for (int c = 1; c < 3; ++c) {
        if (std::abs(channels[c][1] - channels[c][2]) > std::abs(channels[best][1] - channels[best][2])) best = c;
    }
    const int span = channels[best][1] - channels[best][2];
    if (span == 0) return 0.0;
    return static_cast<double>(channels[best][0] - channels[best][2]) / span;
}

HWND CreateHostWindow(int clientWidth, int clientHeight) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TrovTestHost";
    RegisterClassW(&wc);  // fails harmlessly when already registered
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 100, 50, frame.right - frame.left,
                           frame.bottom - frame.top, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}
