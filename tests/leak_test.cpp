// Long runs of the real window: thousands of full repaints in every state and many message box
// cycles must leave no GDI object or GDI+ object behind.
#include "app/state.h"
#include "band_states.h"
#include "browser_window.h"
#include "gdi_counters.h"

#include <gtest/gtest.h>

namespace {

class WindowLeakTest : public BrowserWindowTest {
protected:
    // One full WM_PAINT for every hover (and none), loading or not, menu open or closed: 36 paints.
    void PaintEveryState() {
        ForEachBandState([this] {
            InvalidateRect(window(), nullptr, FALSE);
            UpdateWindow(window());
        });
    }
};

TEST_F(WindowLeakTest, TenThousandPaintsInEveryStateLeaveNothingBehind) {
    StartEngine();
    PaintEveryState();  // fonts and caches settle in the first round
    ResetMessageCounts();
    const int gdiBefore = LiveGdiObjects();
    const int heapBefore = BusyHeapBlocks();
    constexpr int kRounds = 280;  // 10,080 paints
    for (int round = 0; round < kRounds; ++round) PaintEveryState();
    EXPECT_EQ(paints(), kRounds * 36);
    // A leak anywhere in the composition adds at least one object per round.
    EXPECT_LT(LiveGdiObjects() - gdiBefore, 10);
    EXPECT_LT(BusyHeapBlocks() - heapBefore, 10);
}

TEST_F(WindowLeakTest, MessageBoxCyclesLeaveNothingBehind) {
    SetClientSize(1200, 700);
    MessageBoxCatcher catcher;
    auto openAndAnswer = [this, &catcher] {
        Click(window(), 1200 - 190, 30);  // the menu button opens the panel
        Click(window(), 600, 300);        // the about item: its box opens and is answered
        engine_double::PumpMessages();
        catcher.Clear();                  // the catcher's own records are not the program's
    };
    for (int i = 0; i < 5; ++i) openAndAnswer();
    const int gdiBefore = LiveGdiObjects();
    const int heapBefore = BusyHeapBlocks();
    constexpr int kCycles = 200;
    for (int i = 0; i < kCycles; ++i) openAndAnswer();
    EXPECT_EQ(catcher.total(), kCycles + 5);
    EXPECT_FALSE(menuOpen);
    EXPECT_LT(LiveGdiObjects() - gdiBefore, 10);
    EXPECT_LT(BusyHeapBlocks() - heapBefore, 10);
}

}  // namespace
