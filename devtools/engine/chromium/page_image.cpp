#include "devtools/engine/chromium/page_image.h"

#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <cmath>

namespace gdip = Gdiplus::DllExports;

GdiplusUser::GdiplusUser() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusUser::~GdiplusUser() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
}

std::unique_ptr<PageImage> DecodePageImage(const std::string& bytes) {
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    if (!stream) return nullptr;
    Gdiplus::GpBitmap* decoded = nullptr;
    Gdiplus::GpStatus status = gdip::GdipCreateBitmapFromStream(stream, &decoded);
    stream->Release();
    if (status != Gdiplus::Ok || !decoded) return nullptr;

    UINT width = 0, height = 0;
    gdip::GdipGetImageWidth(decoded, &width);
    gdip::GdipGetImageHeight(decoded, &height);
    HBITMAP bitmap = nullptr;
    status = gdip::GdipCreateHBITMAPFromBitmap(decoded, &bitmap, 0xFFFFFFFF);  // white behind any transparency
    gdip::GdipDisposeImage(decoded);
    if (status != Gdiplus::Ok || !bitmap) return nullptr;
    return std::make_unique<PageImage>(bitmap, static_cast<int>(width), static_cast<int>(height));
}

void PaintPageImage(HDC hdc, const RECT& area, const PageImage* image, double zoom) {
    int width = image ? static_cast<int>(std::lround(image->ViewportWidth() * zoom)) : 0;
    int height = image ? static_cast<int>(std::lround(image->ViewportHeight() * zoom)) : 0;
    if (image) {
        HDC source = CreateCompatibleDC(hdc);
        HGDIOBJ previous = SelectObject(source, image->Bitmap());
        if (width == image->Width() && height == image->Height()) {
            BitBlt(hdc, area.left, area.top, width, height, source, 0, 0, SRCCOPY);
        } else {
            // Chromium renders a zoomed page's screencast at its size in CSS pixels.
            int previousMode = SetStretchBltMode(hdc, HALFTONE);
            SetBrushOrgEx(hdc, 0, 0, nullptr);
            StretchBlt(hdc, area.left, area.top, width, height, source, 0, 0, image->Width(), image->Height(), SRCCOPY);
            SetStretchBltMode(hdc, previousMode);
        }
        SelectObject(source, previous);
        DeleteDC(source);
    }
    // Until a frame of the new size comes, what the old one does not cover is white.
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RECT right = {area.left + width, area.top, area.right, area.bottom};
    RECT below = {area.left, area.top + height, area.left + width, area.bottom};
    if (right.left < right.right) FillRect(hdc, &right, white);
    if (below.top < below.bottom) FillRect(hdc, &below, white);
}
