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

void ZoomPage(ZoomStep step) {
    if (!webviewReady || !webviewController) return;
    double current = 1.0;
    if (FAILED(webviewController->get_ZoomFactor(&current))) return;
    const double next = NextZoomFactor(current, step);
    if (next != current) webviewController->put_ZoomFactor(next);
}
