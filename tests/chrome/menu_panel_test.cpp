#include "chrome/menu_panel.h"

#include "app/menu.h"
#include "app/state.h"
#include "app/window.h"
#include "constants.h"
#include "pixels.h"
#include "reset_program.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kItemGlyph = RGB(80, 80, 80);
constexpr int kRuleRow = 383;  // the panel's last row
constexpr int kCanvasRows = 400;

class MenuPanelTest : public testing::Test {
protected:
    void SetUp() override { ResetProgramForTesting(); }

    static std::unique_ptr<PixelCanvas> Paint(int width) {
        auto canvas = std::make_unique<PixelCanvas>(width, kCanvasRows, kSentinel);
        PaintMenuPanel(canvas->dc(), canvas->Bounds(), MenuPanelCells(), MenuItemCount());
        return canvas;
    }
};

TEST_F(MenuPanelTest, ClosedPanelLeavesTheDcUntouched) {
    PixelCanvas canvas(1200, kCanvasRows, kSentinel);
    const HDC dc = canvas.dc();
    const int bkMode = GetBkMode(dc);
    const COLORREF textColour = GetTextColor(dc);
    const HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
    PaintMenuPanel(dc, canvas.Bounds(), MenuPanelCells(), MenuItemCount());
    EXPECT_EQ(canvas.CountNotExact(canvas.Bounds(), kSentinel), 0);
    EXPECT_EQ(GetBkMode(dc), bkMode);
    EXPECT_EQ(GetTextColor(dc), textColour);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
}

TEST_F(MenuPanelTest, OpenPanelCoversItsRowsOnlyAndEndsInARule) {
    menuOpen = true;
    for (int width : {1200, 1000}) {
        SCOPED_TRACE("width " + std::to_string(width));
        const auto canvas = Paint(width);
        EXPECT_EQ(canvas->CountNotExact(RECT{0, 0, width, kBandHeight}, kSentinel), 0);
        EXPECT_EQ(canvas->CountNotExact(RECT{0, kRuleRow + 1, width, kCanvasRows}, kSentinel), 0);
        EXPECT_EQ(canvas->CountExact(RECT{0, kRuleRow, width, kRuleRow + 1}, kRule), width);
        // Above the glyphs, and the empty cells of the second row.
        EXPECT_EQ(canvas->CountNotExact(RECT{0, kBandHeight, width, kBandHeight + 30}, kWhite), 0);
        const int column = width / 3;
        EXPECT_EQ(canvas->CountNotExact(RECT{0, 224, column, kRuleRow}, kWhite), 0);
        EXPECT_EQ(canvas->CountNotExact(RECT{2 * column, 224, width, kRuleRow}, kWhite), 0);
        // The last pixel column belongs to no cell when the width does not divide by three.
        EXPECT_EQ(canvas->CountNotExact(RECT{width - 1, kBandHeight, width, kRuleRow}, kWhite), 0);
    }
    // Opened by keyboard: a dotted focus rectangle inside the focused item's cell, and nowhere else;
    // the first item as any other.
    for (int item : {1, 0}) {
        SCOPED_TRACE("item " + std::to_string(item));
        menuFocusItem = item;
        const auto focused = Paint(1200);
        for (int column = 0; column < 3; ++column) {
            const int left = column * 400;
            const bool inked = column == item;
            EXPECT_EQ(focused->CountNotExact(RECT{left + 6, kBandHeight + 6, left + 394, kBandHeight + 7}, kWhite) > 100,
                      inked);
            if (!inked) {
                EXPECT_EQ(focused->CountNotExact(RECT{left, kBandHeight, left + 400, kBandHeight + 30}, kWhite), 0);
            }
        }
    }
}

// The band is the toolbar with the panel, while open, below it: each painter keeps to its rows.
TEST_F(MenuPanelTest, BandIsTheToolbarAndBelowItThePanelWhileOpen) {
    for (bool open : {false, true}) {
        SCOPED_TRACE(open ? "open" : "closed");
        menuOpen = open;
        PixelCanvas canvas(1200, kCanvasRows, kSentinel);
        PaintBand(canvas.dc(), canvas.Bounds());
        EXPECT_EQ(canvas.CountExact(RECT{0, 0, 1200, kBandHeight}, kSentinel), 0) << "the toolbar covers its rows";
        EXPECT_EQ(canvas.CountExact(RECT{0, kBandHeight - 1, 1200, kBandHeight}, kRule), 1200) << "the toolbar's rule";
        EXPECT_EQ(canvas.CountExact(RECT{0, kRuleRow, 1200, kRuleRow + 1}, kRule), open ? 1200 : 0);
        EXPECT_EQ(canvas.CountNotExact(RECT{0, kBandHeight, 1200, kRuleRow + 1}, kSentinel) > 0, open);
        EXPECT_EQ(canvas.CountNotExact(RECT{0, kRuleRow + 1, 1200, kCanvasRows}, kSentinel), 0);
    }
}

struct Probe {
    bool inked;
    int dx;
    int dy;
};

struct ItemGlyphCase {
    const char* name;
    int left;  // the size-40 glyph's corner at width 1200: columns of 400, rows of 160
    int top;
    std::vector<Probe> probes;
};

TEST_F(MenuPanelTest, ItemGlyphsAreCentredAboveTheirLabels) {
    const ItemGlyphCase cases[] = {
        {"home in (0, 0)", 180, 94,
         {{true, 11, 26}, {true, 29, 26}, {true, 20, 33}, {true, 20, 8}, {false, 20, 26}}},
        {"forward in (0, 1)", 580, 94,
         {{true, 28, 20}, {true, 22, 13}, {true, 22, 27}, {false, 14, 20}, {false, 34, 20}}},
        {"refresh in (0, 2)", 980, 94,
         {{true, 7, 20}, {true, 20, 33}, {true, 26, 11}, {false, 20, 20}, {false, 33, 20}}},
        {"menu in (1, 1)", 580, 254,
         {{true, 20, 14}, {true, 20, 20}, {true, 20, 26}, {false, 20, 17}, {false, 20, 23}}},
    };
    menuOpen = true;
    const auto canvas = Paint(1200);
    for (const ItemGlyphCase& c : cases) {
        for (const Probe& probe : c.probes) {
            SCOPED_TRACE(std::string(c.name) + " at (" + std::to_string(probe.dx) + ", " +
                         std::to_string(probe.dy) + ")");
            EXPECT_EQ(canvas->Pixel(c.left + probe.dx, c.top + probe.dy), probe.inked ? kItemGlyph : kWhite);
        }
    }
}

int UIFontTextWidth(HDC dc, const wchar_t* text) {
    const HGDIOBJ old = SelectObject(dc, hUIFont);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(dc, old);
    return size.cx;
}

TEST_F(MenuPanelTest, LabelsAreCentredInTheLowerPartOfTheirCells) {
    menuOpen = true;
    const auto canvas = Paint(1200);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 3; ++column) {
            SCOPED_TRACE("cell (" + std::to_string(row) + ", " + std::to_string(column) + ")");
            const RECT labelRect = {column * 400, kBandHeight + row * 160 + 80, (column + 1) * 400,
                                    kBandHeight + (row + 1) * 160};
            const RECT text = canvas->ExtentDarkerThan(labelRect, 200);
            if (!MenuItemAt(row, column)) {
                EXPECT_TRUE(IsRectEmpty(&text)) << "an empty cell has no label";
                continue;
            }
            ASSERT_FALSE(IsRectEmpty(&text)) << "no label drawn";
            EXPECT_NEAR((text.left + text.right) / 2.0, column * 400 + 200, 3.0);
            EXPECT_LT(text.top, labelRect.top + 10);
            EXPECT_LE(text.bottom, labelRect.top + 30);
            EXPECT_GE(text.bottom - text.top, 10);
            EXPECT_NEAR(text.right - text.left, UIFontTextWidth(canvas->dc(), MenuItemAt(row, column)->label), 6)
                << "drawn in the UI font";
        }
    }
}

TEST(MenuCellAtTest, MapsPointsToRowAndColumn) {
    const struct {
        int x, y, width;
        bool found;
        int row, column;
    } cases[] = {
        {0, 64, 1200, true, 0, 0},      {399, 223, 1200, true, 0, 0},  {400, 224, 1200, true, 1, 1},
        {1199, 383, 1200, true, 1, 2},  {600, 384, 1200, true, 2, 1},  {332, 100, 1000, true, 0, 0},
        {333, 100, 1000, true, 0, 1},   {999, 100, 1000, true, 0, 3},  {2, 100, 3, true, 0, 2},
        {1, 100, 2, false, 0, 0},       {0, 100, 0, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("(" + std::to_string(c.x) + ", " + std::to_string(c.y) + ") at width " + std::to_string(c.width));
        int row = -1, column = -1;
        ASSERT_EQ(MenuCellAt(c.x, c.y, c.width, 64, 320, &row, &column), c.found);
        if (!c.found) continue;
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(column, c.column);
    }
}

}  // namespace
