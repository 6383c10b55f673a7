#include "devtools/engine/chromium/screencast.h"

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

void Screencast::Start() {
    if (width_ > 0 && height_ > 0) {
        connection_.Call("Emulation.setDeviceMetricsOverride",
                         json{{"width", width_}, {"height", height_}, {"deviceScaleFactor", 1}, {"mobile", false}});
    }
    Restart();
}

void Screencast::Restart() {
    connection_.Call("Page.stopScreencast", json::object());
    connection_.Call("Page.startScreencast",
                     json{{"format", kFrameFormat}, {"quality", kFrameQuality}, {"everyNthFrame", 1}});
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
    PaintPageImage(hdc, client, image_.get());
    EndPaint(window, &ps);
}
