// One rendered picture of the page, decoded from the PNG or JPEG bytes of a screencast frame into
// a bitmap that painting can copy from.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

// GDI+ is started for as long as one of these lives (decoding needs it).
class GdiplusUser {
public:
    GdiplusUser();
    ~GdiplusUser();
    GdiplusUser(const GdiplusUser&) = delete;
    GdiplusUser& operator=(const GdiplusUser&) = delete;

private:
    ULONG_PTR token_ = 0;
};

class PageImage {
public:
    PageImage(HBITMAP bitmap, int width, int height) : bitmap_(bitmap), width_(width), height_(height) {}
    ~PageImage() { DeleteObject(bitmap_); }
    PageImage(const PageImage&) = delete;
    PageImage& operator=(const PageImage&) = delete;

    HBITMAP Bitmap() const { return bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The part of the page the picture shows, in CSS pixels: a zoomed page is rendered at another size.
    void SetViewport(int width, int height) {
        viewportWidth_ = width;
        viewportHeight_ = height;
    }
    int ViewportWidth() const { return viewportWidth_ > 0 ? viewportWidth_ : width_; }
    int ViewportHeight() const { return viewportHeight_ > 0 ? viewportHeight_ : height_; }

private:
    HBITMAP bitmap_;
    int width_;
    int height_;
    int viewportWidth_ = 0;
    int viewportHeight_ = 0;
};

// Null when the bytes are no image GDI+ can read.
std::unique_ptr<PageImage> DecodePageImage(const std::string& bytes);

// Copies the image to the top-left corner of the area, its viewport at `zoom` window pixels per CSS
// pixel, and fills the rest of the area white.
void PaintPageImage(HDC hdc, const RECT& area, const PageImage* image, double zoom = 1.0);
