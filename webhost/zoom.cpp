#include "webhost/zoom.h"

#include "app/state.h"

#include <WebView2.h>

namespace {

// Chromium's preset zoom levels, the ones its own Ctrl+plus and Ctrl+minus go through.
constexpr double kZoomSteps[] = {0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                 1.25, 1.5,  1.75, 2.0, 2.5,  3.0, 4.0, 5.0};
constexpr int kStepCount = static_cast<int>(sizeof(kZoomSteps) / sizeof(kZoomSteps[0]));
// A factor read back from the engine within this of a step is on it.
constexpr double kTolerance = 0.001;

// The factor the page shows now: the one Trov set last (the runtime raises no event for it), or the
// one ZoomFactorChanged reported since (the person's own zoom, one the runtime normalised, or the
// default coming back with a new page). The property may still tell the factor asked for before.
double shownZoom = 1.0;

}  // namespace

double NextZoomFactor(double current, ZoomStep step) {
    if (step == ZoomStep::Reset) return 1.0;
    if (step == ZoomStep::In) {
        for (int i = 0; i < kStepCount; ++i) {
            if (kZoomSteps[i] > current + kTolerance) return kZoomSteps[i];
        }
        return kZoomSteps[kStepCount - 1];
    }
    for (int i = kStepCount - 1; i >= 0; --i) {
        if (kZoomSteps[i] < current - kTolerance) return kZoomSteps[i];
    }
    return kZoomSteps[0];
}

// The factor set becomes the view's default: it holds across pages until Ctrl+0 sets 100 % again.
void ZoomPage(ZoomStep step) {
    if (!webviewReady || !webviewController) return;
    const double next = NextZoomFactor(shownZoom, step);
    if (next != shownZoom && SUCCEEDED(webviewController->put_ZoomFactor(next))) shownZoom = next;
}

void NoteZoomShown(double factor) { shownZoom = factor; }

void ForgetZoom() { shownZoom = 1.0; }
