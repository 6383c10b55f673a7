#include "devtools/engine/chromium/screencast.h"

#include <cmath>

using nlohmann::json;

namespace {

// Chromium drops the frames that come while one waits for its acknowledgement and sends none once
// the page stands still, so the picture could stop short of an animation's end (a smooth scroll):
// once frames have paused this long, a new screencast brings the page as it now is.
const UINT_PTR kSettleTimerId = 1;
const UINT kSettleDelayMs = 300;
// JPEG keeps frames small and quick to decode; a solid colour still comes back within a unit or two.
const char kFrameFormat[] = "jpeg";
const int kFrameQuality = 90;

}  // namespace

// A page that looks the same at the new size sends no frame by itself; a new screencast starts with one.
void Screencast::Resize(int width, int height) {
    width_ = width;
    height_ = height;
    Start();
}

// A zoomed page is laid out in fewer CSS pixels, each drawn as `zoom_` device pixels, as a browser
// zooms: pages reflow, and window.devicePixelRatio tells the zoom.
void Screencast::Start() {
    if (width_ > 0 && height_ > 0) {
        connection_.Call("Emulation.setDeviceMetricsOverride",
                         json{{"width", std::lround(width_ / zoom_)}, {"height", std::lround(height_ / zoom_)},
                              {"deviceScaleFactor", zoom_}, {"mobile", false}});
    }
    Restart();
}

void Screencast::SetZoom(double factor) {
    zoom_ = factor;
    Start();
}

// Frames of a page zoomed out would be larger than the window: Chromium scales them down to it.
void Screencast::Restart() {
    json params = {{"format", kFrameFormat}, {"quality", kFrameQuality}, {"everyNthFrame", 1}};
    if (width_ > 0 && height_ > 0) {
        params["maxWidth"] = width_;
        params["maxHeight"] = height_;
    }
    connection_.Call("Page.stopScreencast", json::object());
    connection_.Call("Page.startScreencast", params);
}

void Screencast::Show(HWND window, std::unique_ptr<PageImage> frame) {
    image_ = std::move(frame);
    InvalidateRect(window, nullptr, FALSE);
    AwaitSettledFrame(window);
}

// The frame a restart brings arms nothing, or a page standing still would be restarted forever.
void Screencast::AwaitSettledFrame(HWND window) {
    if (settlingFrame_) {
        settlingFrame_ = false;
        return;
    }
    SetTimer(window, kSettleTimerId, kSettleDelayMs, nullptr);
}

bool Screencast::OnTimer(HWND window, WPARAM timerId) {
    if (timerId != kSettleTimerId) return false;
    KillTimer(window, kSettleTimerId);
    settlingFrame_ = true;
    Restart();
    return true;
}

void Screencast::Clear(HWND window) {
    image_.reset();
    if (window) InvalidateRect(window, nullptr, FALSE);
}

void Screencast::Paint(HWND window) const {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    PaintPageImage(hdc, client, image_.get(), zoom_);
    EndPaint(window, &ps);
}
