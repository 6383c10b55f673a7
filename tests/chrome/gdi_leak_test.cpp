#include "addressbar/address_bar.h"
#include "app/state.h"
#include "app/window.h"
#include "band_states.h"
#include "chrome/menu_panel.h"
#include "chrome/toolbar_paint.h"
#include "gdi_counters.h"
#include "pixels.h"
#include "reset_program.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <vector>

using namespace Gdiplus::DllExports;

namespace {

// Both counters must see single objects, or the leak check below would prove nothing.
TEST(LeakCountersTest, SeeObjectsUntilTheyAreDeleted) {
    const int gdiBefore = LiveGdiObjects();
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 50; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    EXPECT_EQ(LiveGdiObjects(), gdiBefore + 50);
    for (HBRUSH brush : brushes) DeleteObject(brush);
    EXPECT_EQ(LiveGdiObjects(), gdiBefore);

    std::vector<Gdiplus::GpSolidFill*> fills(50, nullptr);
    const int heapBefore = BusyHeapBlocks();
    for (auto& fill : fills) GdipCreateSolidFill(0xFF000000u, &fill);
    EXPECT_GE(BusyHeapBlocks(), heapBefore + 50);
    for (auto* fill : fills) GdipDeleteBrush(fill);
    EXPECT_EQ(BusyHeapBlocks(), heapBefore);
}

class PainterLeakTest : public testing::Test {
protected:
    void SetUp() override {
        ResetProgramForTesting();
        window_ = CreateHostWindow(1200, 800);
        ASSERT_NE(window_, nullptr);
        hMainWnd = window_;
        CreateAddressBar(hMainWnd, GetModuleHandleW(nullptr));
        LayoutAddressBar(hMainWnd);
        addressBar_ = hAddressBar;
    }
    void TearDown() override {
        DestroyWindow(window_);
        ResetProgramForTesting();
    }

    // One paint of the band per combination: every hover (and none), loading or not, the panel
    // open or closed, with and without the address bar's frame. 72 paints.
    void PaintEveryCombination(PixelCanvas& canvas) {
        for (HWND addressBar : {HWND{}, addressBar_}) {
            hAddressBar = addressBar;
            ForEachBandState([&canvas] { PaintBand(canvas.dc(), canvas.Bounds()); });
        }
    }

    HWND window_ = nullptr;
    HWND addressBar_ = nullptr;
};

TEST_F(PainterLeakTest, PaintersReleaseEveryObjectTheyCreate) {
    PixelCanvas canvas(1200, 400, RGB(255, 255, 255));
    PaintEveryCombination(canvas);  // lets lazily created fonts and caches settle first
    const int gdiBefore = LiveGdiObjects();
    const int heapBefore = BusyHeapBlocks();
    constexpr int kRounds = 40;
    for (int round = 0; round < kRounds; ++round) PaintEveryCombination(canvas);
    // A leak in even one combination adds at least one object per round.
    EXPECT_LT(LiveGdiObjects() - gdiBefore, kRounds / 4);
    EXPECT_LT(BusyHeapBlocks() - heapBefore, kRounds / 4);
}

}  // namespace
