// The page's pictures: Chromium's screencast of the page at the window's size, and the latest
// frame, painted in the window.
#pragma once

#include "devtools/engine/chromium/page_connection.h"
#include "devtools/engine/chromium/page_image.h"

#include <memory>

class Screencast {
public:
    explicit Screencast(PageConnection& connection) : connection_(connection) {}

    // The page's size, kept for later when the session is not open yet.
    void Resize(int width, int height);
    // Applies the size and starts a new screencast, which starts with a frame.
    void Start();
    // The page's zoom: window pixels per CSS pixel. The page is laid out at the window's size divided
    // by it, and its pictures are drawn that much larger.
    void SetZoom(double factor);
    double Zoom() const { return zoom_; }
    void Show(HWND window, std::unique_ptr<PageImage> frame);
    // The picture goes (the page's renderer died); a reload brings new frames.
    void Clear(HWND window);
    void Paint(HWND window) const;
    // WM_TIMER: false when the timer is not the screencast's.
    bool OnTimer(HWND window, WPARAM timerId);

private:
    void Restart();
    void AwaitSettledFrame(HWND window);

    PageConnection& connection_;
    std::unique_ptr<PageImage> image_;
    int width_ = 0;
    int height_ = 0;
    double zoom_ = 1.0;
    bool settlingFrame_ = false;  // the screencast was restarted for the picture of a page at rest
};
