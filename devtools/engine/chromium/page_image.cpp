#include "devtools/engine/chromium/page_image.h"

#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

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

void PaintPageImage(HDC hdc, const RECT& area, const PageImage* image) {
    int width = image ? image->Width() : 0;
    int height = image ? image->Height() : 0;
    if (image) {
        HDC source = CreateCompatibleDC(hdc);
        HGDIOBJ previous = SelectObject(source, image->Bitmap());
        BitBlt(hdc, area.left, area.top, width, height, source, 0, 0, SRCCOPY);
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
