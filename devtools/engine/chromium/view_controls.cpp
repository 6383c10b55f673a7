// What the runtime does itself with the page window's input and state, before or instead of the
// page: zoom (Ctrl+plus, Ctrl+minus, Ctrl+0, Ctrl+wheel) in the preset steps, keys that would open
// Chromium's own windows withheld, the page's focus following the page window's, and the pointer
// leaving the window ending the page's hover.
#include "devtools/engine/chromium/chromium_view.h"

#include <cmath>

using nlohmann::json;

// Zoom keys and Chromium's own keys go no further, up or down.
bool ChromiumView::HandleBrowserKey(UINT message, WPARAM virtualKey, int modifiers) {
    BrowserKey key = BrowserKeyFor(virtualKey, modifiers);
    if (key == BrowserKey::None) return false;
    if (message != WM_KEYDOWN) return true;
    if (key == BrowserKey::ZoomIn) ZoomBy(1);
    if (key == BrowserKey::ZoomOut) ZoomBy(-1);
    if (key == BrowserKey::ZoomReset) ZoomToDefault();
    return true;
}

// One step per notch the wheel turns while Ctrl is held; away from the user zooms in.
bool ChromiumView::HandleZoomWheel(UINT message, WPARAM wParam) {
    if (message != WM_MOUSEWHEEL || !(GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL)) return false;
    zoomWheel_ += GET_WHEEL_DELTA_WPARAM(wParam);
    int notches = zoomWheel_ / WHEEL_DELTA;
    zoomWheel_ -= notches * WHEEL_DELTA;
    if (notches != 0) ZoomBy(notches);
    return true;
}

void ChromiumView::ZoomBy(int steps) {
    ZoomByPerson(SteppedZoom(ZoomFactor(), steps));
}

// The picture, the page's layout and where the pointer lands in it change together.
void ChromiumView::ApplyZoom(double factor) {
    input_.SetZoom(factor);
    screencast_.SetZoom(factor);
}

// While the page window has the focus, the page has it by emulation. Without, the page has the focus
// Chromium gives it, which a page keeps for good once it was clicked or typed into: headless, it has no
// window of its own to lose, and loses it only to Chromium's own (unseen) toolbar, where F6 moves it.
// The page sees that F6 go down, and nothing else of it. Only focus emulation keeps a page that is
// not Chromium's active tab drawing (a closed new window may leave another tab active): without it,
// ours is made the active one first.
void ChromiumView::OnFocusChanged(bool focused) {
    connection_.Call("Emulation.setFocusEmulationEnabled", json{{"enabled", focused}});
    if (focused) return;
    connection_.Call("Page.bringToFront", json::object());
    const json ask = {{"expression", "document.hasFocus()"}, {"returnByValue", true}};
    connection_.Call("Runtime.evaluate", ask, [this](const json& result, bool failed) {
        auto remote = result.find("result");
        const bool stillFocused = !failed && remote != result.end() && remote->is_object() &&
                                  remote->value("value", json()) == json(true);
        if (!stillFocused || !Window() || GetFocus() == Window()) return;
        std::vector<InputCommand> down = input_.Translate(WM_KEYDOWN, VK_F6, POINT{}, 0);
        for (const InputCommand& command : down) connection_.Call(command.method, command.params);
    });
}

// A page that leaves a trivial evaluation unanswered this long is reported as not answering, as the
// runtime reports a renderer that stops answering its input; it answers again when one is answered.
// A page whose script waits on a dialog is held, not hung: the wait starts again after the dialog.
void ChromiumView::ProbePage() {
    const ULONGLONG now = GetTickCount64();
    if (!pageReady_ || HasOpenDialog()) {
        probeSentAt_ = now;
        return;
    }
    if (!probeAnswered_) {
        if (now - probeSentAt_ >= kUnansweredProbeMs) SetUnresponsive(true);
        return;
    }
    probeAnswered_ = false;
    probeSentAt_ = now;
    connection_.Call("Runtime.evaluate", json{{"expression", "0"}}, [this](const json&, bool) {
        probeAnswered_ = true;
        SetUnresponsive(false);
    });
}

void ChromiumView::TrackPointer(POINT point) {
    if (!pointerTracked_) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, Window(), 0};
        pointerTracked_ = TrackMouseEvent(&track) != FALSE;
    }
    const double zoom = screencast_.Zoom();
    cursor_.Track(Window(), POINT{std::lround(point.x / zoom), std::lround(point.y / zoom)});
}

// A move to a point outside the page ends its hover, as the pointer leaving a browser's window does.
void ChromiumView::OnPointerLeft() {
    pointerTracked_ = false;
    if (!pageReady_ || GetCapture() == Window()) return;
    for (const InputCommand& command : input_.Translate(WM_MOUSEMOVE, 0, POINT{-1, -1}, 0)) {
        connection_.Call(command.method, command.params);
    }
}
