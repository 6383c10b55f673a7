#include "addressbar/address_bar.h"
#include "app/state.h"
#include "chrome/menu_panel.h"
#include "chrome/toolbar_paint.h"
#include "pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Live GDI objects of this process. Wine's GetGuiResources always answers 0, but Wine's handle
// table accepts a bare index (upper word 0) for whatever object lives at it, so the table itself
// can be probed. Where that finds nothing (Windows checks the full handle) the system count is used.
int LiveGdiObjects() {
    int live = 0;
    for (UINT_PTR index = 1; index <= 0xFFFF; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++live;
    }
    if (live > 0) return live;
    return static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
}

TEST(LiveGdiObjectsTest, CountsObjectsUntilTheyAreDeleted) {
    const int before = LiveGdiObjects();
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 50; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    EXPECT_EQ(LiveGdiObjects(), before + 50);
    for (HBRUSH brush : brushes) DeleteObject(brush);
    EXPECT_EQ(LiveGdiObjects(), before);
}

class GdiLeakTest : public testing::Test {
protected:
    void SetUp() override {
        ResetAppStateForTesting();
        window_ = CreateHostWindow(1200, 800);
        ASSERT_NE(window_, nullptr);
        hMainWnd = window_;
        CreateAddressBar(hMainWnd, GetModuleHandleW(nullptr));
        LayoutAddressBar(hMainWnd);
        addressBar_ = hAddressBar;
    }
    void TearDown() override {
        DestroyWindow(window_);
        ResetAppStateForTesting();
    }

    // One paint of the band per combination: every hover (and none), loading or not, the panel
    // open or closed, with and without the address bar's frame.
    void PaintEveryCombination(PixelCanvas& canvas) {
        for (int frame = 0; frame < 2; ++frame) {
            hAddressBar = frame ? addressBar_ : nullptr;
            for (int open = 0; open < 2; ++open) {
                menuOpen = open != 0;
                for (int loading = 0; loading < 2; ++loading) {
                    isLoading = loading != 0;
                    for (int hover = -1; hover < 8; ++hover) {
                        hoverIndex = hover;
                        PaintToolbar(canvas.dc(), canvas.Bounds());
                        PaintMenuPanel(canvas.dc(), canvas.Bounds());
                    }
                }
            }
        }
    }

    HWND window_ = nullptr;
    HWND addressBar_ = nullptr;
};

TEST_F(GdiLeakTest, PaintersDeleteEveryObjectTheyCreate) {
    PixelCanvas canvas(1200, 400, RGB(255, 255, 255));
    PaintEveryCombination(canvas);  // lets lazily created fonts and caches settle first
    const int before = LiveGdiObjects();
    constexpr int kRounds = 40;  // 72 paints each
    for (int round = 0; round < kRounds; ++round) PaintEveryCombination(canvas);
    // A leak in even one combination would add one object per round.
    EXPECT_LT(LiveGdiObjects() - before, kRounds / 4);
    printf("delta %d before %d\n", LiveGdiObjects() - before, before);
}

}  // namespace

#include <gdiplus.h>
namespace {
int BusyHeapBlocks() {
    HANDLE heaps[64];
    const DWORD n = GetProcessHeaps(64, heaps);
    int busy = 0;
    for (DWORD h = 0; h < n && h < 64; ++h) {
        HeapLock(heaps[h]);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[h], &entry)) if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
        HeapUnlock(heaps[h]);
    }
    return busy;
}
TEST_F(GdiLeakTest, HeapProbe) {
    PixelCanvas canvas(1200, 400, RGB(255, 255, 255));
    PaintEveryCombination(canvas);
    for (int leak = 0; leak < 2; ++leak) {
        const int before = BusyHeapBlocks();
        for (int round = 0; round < 40; ++round) {
            PaintEveryCombination(canvas);
            if (leak) { Gdiplus::GpPen* pen = nullptr; Gdiplus::DllExports::GdipCreatePen1(0xFF000000u, 1.0f, Gdiplus::UnitWorld, &pen); }
        }
        printf("leak %d: heaps %lu busy before %d delta %d\n", leak, GetProcessHeaps(0, nullptr), before, BusyHeapBlocks() - before);
    }
}
}
