#include "chrome/toolbar_paint.h"

#include "addressbar/address_bar.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "constants.h"
#include "pixels.h"
#include "reset_program.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr int kCanvasRows = kBandHeight + 8;  // the rows below the band must stay untouched
constexpr int kSlotTop = 8;

// The slots' left edges, worked out from the layout: 12 from either side, 4 between buttons.
int ExpectedSlotLeft(int slot, int width) { return slot < 4 ? 12 + 52 * slot : width - 60 - 52 * (slot - 4); }

RECT ExpectedSlotRect(int slot, int width) {
    const int left = ExpectedSlotLeft(slot, width);
    return RECT{left, kSlotTop, left + kButtonEdge, kSlotTop + kButtonEdge};
}

bool InAnySlot(int x, int y, int width) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const RECT r = ExpectedSlotRect(slot, width);
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    }
    return false;
}

class ToolbarPaintTest : public testing::Test {
protected:
    void SetUp() override { ResetProgramForTesting(); }

    static std::unique_ptr<PixelCanvas> Paint(int width) {
        auto canvas = std::make_unique<PixelCanvas>(width, kCanvasRows, kSentinel);
        const ButtonFaces buttons = SlotFaces(width);
        PaintToolbar(canvas->dc(), canvas->Bounds(), buttons.data(), kSlotCount);
        return canvas;
    }
};

TEST_F(ToolbarPaintTest, IdleBandIsWhiteAroundTheGlyphsAndRuledBelow) {
    for (int width : {1184, 1000}) {
        SCOPED_TRACE("width " + std::to_string(width));
        const auto canvas = Paint(width);
        int strayPixels = 0;
        for (int y = 0; y < kBandHeight - 1; ++y) {
            for (int x = 0; x < width; ++x) {
                if (!InAnySlot(x, y, width) && canvas->Pixel(x, y) != kWhite) ++strayPixels;
            }
        }
        EXPECT_EQ(strayPixels, 0);
        const RECT band = {0, 0, width, kBandHeight};
        EXPECT_EQ(canvas->CountExact(band, kHoverFill), 0);
        EXPECT_EQ(canvas->CountExact(band, kCloseHoverFill), 0);
        EXPECT_EQ(canvas->CountExact(band, kLoading), 0);
        EXPECT_EQ(canvas->CountExact(RECT{0, kBandHeight - 1, width, kBandHeight}, kRule), width);
        EXPECT_EQ(canvas->CountNotExact(RECT{0, kBandHeight, width, kCanvasRows}, kSentinel), 0);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            EXPECT_GT(canvas->CountExact(ExpectedSlotRect(slot, width), kGlyph), 0) << "slot " << slot;
        }
    }
}

TEST_F(ToolbarPaintTest, HoverFillsExactlyTheHoveredSquare) {
    for (int width : {1184, 1000}) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            SCOPED_TRACE("width " + std::to_string(width) + ", slot " + std::to_string(slot));
            hoverIndex = slot;
            const auto canvas = Paint(width);
            const bool close = slot == kSlotClose;
            const COLORREF fill = close ? kCloseHoverFill : kHoverFill;
            const RECT r = ExpectedSlotRect(slot, width);

            // The four corners are inside the square and clear of every glyph; one step further out is band.
            for (POINT corner : {POINT{r.left, r.top}, POINT{r.right - 1, r.top}, POINT{r.left, r.bottom - 1},
                                 POINT{r.right - 1, r.bottom - 1}}) {
                EXPECT_EQ(canvas->Pixel(corner.x, corner.y), fill);
            }
            EXPECT_EQ(canvas->Pixel(r.left - 1, r.top + 2), kWhite);
            EXPECT_EQ(canvas->Pixel(r.right, r.top + 2), kWhite);
            EXPECT_EQ(canvas->Pixel(r.left + 2, r.top - 1), kWhite);
            EXPECT_EQ(canvas->Pixel(r.left + 2, r.bottom), kWhite);
            EXPECT_EQ(canvas->CountExact(canvas->Bounds(), fill), canvas->CountExact(r, fill));

            // The glyph is drawn over the fill: white on the close button, dark elsewhere.
            if (close) {
                EXPECT_EQ(canvas->Pixel(r.left + 24, r.top + 24), kWhite);
                EXPECT_EQ(canvas->CountExact(r, kGlyph), 0);
            } else {
                EXPECT_GT(canvas->CountExact(r, kGlyph), 0);
            }
        }
    }
}

TEST_F(ToolbarPaintTest, GapsBetweenButtonsAreNeverFilled) {
    const int width = 1184;
    for (int hover = -1; hover < kSlotCount; ++hover) {
        SCOPED_TRACE("hover " + std::to_string(hover));
        hoverIndex = hover;
        const auto canvas = Paint(width);
        for (int slot : {0, 1, 2}) {  // to the right of each of the left group's first three buttons
            const int gap = ExpectedSlotRect(slot, width).right;
            EXPECT_EQ(canvas->CountNotExact(RECT{gap, 0, gap + 4, kBandHeight - 1}, kWhite), 0) << "after slot " << slot;
        }
        for (int slot : {4, 5, 6}) {  // to the left of each of the right group's first three buttons
            const int gap = ExpectedSlotRect(slot, width).left - 4;
            EXPECT_EQ(canvas->CountNotExact(RECT{gap, 0, gap + 4, kBandHeight - 1}, kWhite), 0) << "before slot " << slot;
        }
    }
}

TEST_F(ToolbarPaintTest, LoadingBarLengthIsTwoFifthsOfTheWidth) {
    const struct {
        int width;
        int length;
    } cases[] = {{0, 0}, {2, 0}, {3, 1}, {1000, 400}, {1184, 473}, {1199, 479}};
    for (const auto& c : cases) EXPECT_EQ(LoadingBarLength(c.width), c.length) << "width " << c.width;
}

TEST_F(ToolbarPaintTest, LoadingBarRunsAlongTheBottomOnlyWhileLoading) {
    const struct {
        int width;
        int lastSolid;  // bar end less its rounded cap
    } cases[] = {{1184, 470}, {1000, 397}};
    for (const auto& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width));
        isLoading = true;
        auto canvas = Paint(c.width);
        const int barRow = kBandHeight - 2;
        EXPECT_EQ(canvas->CountExact(RECT{2, barRow, c.lastSolid + 1, barRow + 1}, kLoading), c.lastSolid - 1);
        const int clear = c.lastSolid + 10;
        EXPECT_EQ(canvas->CountExact(RECT{clear, 0, c.width, kCanvasRows}, kLoading), 0);
        EXPECT_EQ(canvas->CountExact(RECT{0, 0, c.width, barRow - 3}, kLoading), 0);
        EXPECT_EQ(canvas->CountExact(RECT{clear, kBandHeight - 1, c.width, kBandHeight}, kRule), c.width - clear);
        EXPECT_EQ(canvas->CountNotExact(RECT{0, kBandHeight, c.width, kCanvasRows}, kSentinel), 0);

        isLoading = false;
        canvas = Paint(c.width);
        EXPECT_EQ(canvas->CountExact(canvas->Bounds(), kLoading), 0);
    }
}

TEST_F(ToolbarPaintTest, NarrowWindowPaintsTheRightGroupOverTheLeft) {
    // At width 300 the menu button (84..131) lies over the forward button (64..111); (85, 17) is
    // inside the forward arrow's upper arm and clear of the menu bars.
    const int width = 300;
    ASSERT_EQ(ExpectedSlotLeft(kSlotMenu, width), 84);
    EXPECT_EQ(Paint(width)->Pixel(85, 17), kGlyph);
    hoverIndex = kSlotMenu;
    EXPECT_EQ(Paint(width)->Pixel(85, 17), kHoverFill);
    // Hovering the forward button, the menu glyph's middle bar stays on top.
    hoverIndex = kSlotForward;
    EXPECT_EQ(Paint(width)->Pixel(108, 32), kGlyph);
}

// A real window with a 1200 by 800 client area, away from the screen origin, holding the product's
// address bar.
class AddressBarFrameTest : public ToolbarPaintTest {
protected:
    void SetUp() override {
        ToolbarPaintTest::SetUp();
        hMainWnd = CreateHostWindow(1200, 800);
        ASSERT_NE(hMainWnd, nullptr);
        CreateAddressBar(hMainWnd, GetModuleHandleW(nullptr));
        ASSERT_NE(hAddressBar, nullptr);
        LayoutAddressBar(hMainWnd);
    }
    void TearDown() override {
        if (hMainWnd) DestroyWindow(hMainWnd);
        ResetProgramForTesting();
    }
};

TEST_F(AddressBarFrameTest, RoundedRimSurroundsTheAddressBar) {
    RECT client;
    GetClientRect(hMainWnd, &client);
    ASSERT_EQ(client.right, 1200);
    const auto canvas = Paint(client.right);
    const COLORREF frameFill = RGB(246, 246, 246);
    const COLORREF frameBorder = RGB(220, 220, 220);
    // The bar covers (250, 14)..(960, 50); its frame reaches 6 further on every side.
    EXPECT_EQ(canvas->Pixel(247, 30), frameFill);
    EXPECT_EQ(canvas->Pixel(600, 11), frameFill);
    EXPECT_EQ(canvas->Pixel(600, 30), frameFill);
    EXPECT_EQ(canvas->Pixel(963, 30), frameFill);
    EXPECT_LE(ColourDistance(canvas->Pixel(244, 30), frameBorder), 20);
    EXPECT_LE(ColourDistance(canvas->Pixel(600, 8), frameBorder), 20);
    EXPECT_EQ(canvas->Pixel(242, 30), kWhite);
    EXPECT_EQ(canvas->Pixel(968, 30), kWhite);
    EXPECT_EQ(canvas->Pixel(600, 5), kWhite);
    EXPECT_EQ(canvas->Pixel(600, 58), kWhite);
    EXPECT_EQ(canvas->Pixel(245, 9), kWhite);  // cut off by the rounded corner
}

}  // namespace
