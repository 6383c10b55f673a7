#include "chrome/glyphs.h"
#include "constants.h"
#include "pixels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kOriginX = 12;
constexpr int kOriginY = 8;

// Probes sit well inside strokes or well clear of them, never on an anti-aliased edge.
enum class Expect {
    Solid,  // exactly the glyph colour
    Inked,  // at least 90% glyph colour: inside a thin diagonal, where renderers round differently
    Bare,   // exactly the background
};

struct Probe {
    Expect expect;
    int dx;
    int dy;
};

// Where the strokes' centrelines lie, relative to the glyph's corner; both ends inclusive.
struct Box {
    int left, top, right, bottom;
};

struct GlyphCase {
    const char* name;
    GlyphPainter paint;
    int size;
    Box strokes;
    std::vector<Probe> probes;
};

const GlyphCase kGlyphCases[] = {
    {"back", DrawBackGlyph, 48, {12, 8, 28, 40},
     {{Expect::Solid, 13, 24}, {Expect::Solid, 20, 16}, {Expect::Solid, 20, 32}, {Expect::Solid, 27, 9},
      {Expect::Solid, 27, 39}, {Expect::Bare, 7, 24}, {Expect::Bare, 20, 24}, {Expect::Bare, 26, 24}}},
    {"forward", DrawForwardGlyph, 48, {20, 8, 36, 40},
     {{Expect::Solid, 35, 24}, {Expect::Solid, 28, 16}, {Expect::Solid, 28, 32}, {Expect::Solid, 21, 9},
      {Expect::Solid, 21, 39}, {Expect::Bare, 41, 24}, {Expect::Bare, 28, 24}, {Expect::Bare, 22, 24}}},
    // The arc leaves a quarter turn open around the circle's rightmost point (40, 24).
    {"refresh", DrawRefreshGlyph, 48, {8, 8, 36, 40},
     {{Expect::Solid, 8, 24}, {Expect::Solid, 24, 8}, {Expect::Solid, 24, 40}, {Expect::Solid, 32, 38},
      {Expect::Solid, 30, 12}, {Expect::Bare, 24, 24}, {Expect::Bare, 36, 24}, {Expect::Bare, 40, 24},
      {Expect::Bare, 37, 15}, {Expect::Bare, 37, 33}}},
    {"home", DrawHomeGlyph, 48, {8, 8, 40, 40},
     {{Expect::Solid, 24, 9}, {Expect::Solid, 16, 16}, {Expect::Solid, 12, 32}, {Expect::Solid, 36, 32},
      {Expect::Solid, 24, 40}, {Expect::Solid, 24, 24}, {Expect::Bare, 24, 32}, {Expect::Bare, 24, 18},
      {Expect::Bare, 30, 36}}},
    // Close and maximize share the 24 by 24 square from (12, 12).
    {"close", DrawCloseGlyph, 48, {12, 12, 36, 36},
     {{Expect::Solid, 24, 24}, {Expect::Solid, 13, 13}, {Expect::Solid, 35, 35}, {Expect::Inked, 35, 13},
      {Expect::Inked, 13, 35}, {Expect::Bare, 24, 16}, {Expect::Bare, 16, 24}, {Expect::Bare, 24, 32},
      {Expect::Bare, 32, 24}}},
    {"maximize", DrawMaximizeGlyph, 48, {12, 12, 36, 36},
     {{Expect::Solid, 24, 12}, {Expect::Solid, 36, 24}, {Expect::Solid, 24, 36}, {Expect::Solid, 12, 24},
      {Expect::Bare, 24, 24}, {Expect::Bare, 24, 15}, {Expect::Bare, 15, 24}}},
    {"minimize", DrawMinimizeGlyph, 48, {12, 24, 36, 24},
     {{Expect::Solid, 24, 24}, {Expect::Solid, 13, 24}, {Expect::Solid, 35, 24}, {Expect::Bare, 24, 20},
      {Expect::Bare, 24, 28}}},
    {"menu", DrawMenuGlyph, 48, {8, 18, 40, 30},
     {{Expect::Solid, 24, 18}, {Expect::Solid, 24, 24}, {Expect::Solid, 24, 30}, {Expect::Solid, 9, 24},
      {Expect::Solid, 39, 24}, {Expect::Bare, 24, 21}, {Expect::Bare, 24, 27}}},
    // At size 40 the thirds are 13 pixels: the body is the rectangle (11, 20) 18 by 13.
    {"home 40", DrawHomeGlyph, 40, {7, 7, 33, 33},
     {{Expect::Solid, 20, 8}, {Expect::Solid, 11, 26}, {Expect::Solid, 29, 26}, {Expect::Solid, 20, 33},
      {Expect::Solid, 20, 20}, {Expect::Bare, 20, 26}, {Expect::Bare, 20, 14}}},
    {"menu 40", DrawMenuGlyph, 40, {7, 14, 33, 26},
     {{Expect::Solid, 20, 14}, {Expect::Solid, 20, 20}, {Expect::Solid, 20, 26}, {Expect::Solid, 8, 20},
      {Expect::Solid, 32, 20}, {Expect::Bare, 20, 17}, {Expect::Bare, 20, 23}}},
};

struct ColourScheme {
    const char* name;
    COLORREF ink;
    COLORREF background;
};

// The toolbar's two schemes, and one whose channels all differ to catch a red/blue swap.
const ColourScheme kSchemes[] = {
    {"dark on white", kGlyph, kWhite},
    {"white on red", kWhite, kCloseHoverFill},
    {"blue on white", kLoading, kWhite},
};

// Anti-aliasing spreads a stroke at most this far beyond its centreline box.
constexpr int kStrokeReach = 3;

int PixelsOutsideStrokeReach(const PixelCanvas& canvas, const Box& strokes, COLORREF background) {
    const RECT reach = {kOriginX + strokes.left - kStrokeReach, kOriginY + strokes.top - kStrokeReach,
                        kOriginX + strokes.right + kStrokeReach + 1, kOriginY + strokes.bottom + kStrokeReach + 1};
    return canvas.CountNotExact(canvas.Bounds(), background) - canvas.CountNotExact(reach, background);
}

TEST(GlyphTest, StrokesAndGapsLieWhereTheGlyphIsDrawn) {
    for (const ColourScheme& scheme : kSchemes) {
        for (const GlyphCase& glyph : kGlyphCases) {
            SCOPED_TRACE(std::string(glyph.name) + ", " + scheme.name);
            PixelCanvas canvas(72, 64, scheme.background);
            glyph.paint(canvas.dc(), kOriginX, kOriginY, glyph.size, scheme.ink);

            for (const Probe& probe : glyph.probes) {
                SCOPED_TRACE("at (" + std::to_string(probe.dx) + ", " + std::to_string(probe.dy) + ")");
                const COLORREF pixel = canvas.Pixel(kOriginX + probe.dx, kOriginY + probe.dy);
                switch (probe.expect) {
                case Expect::Solid: EXPECT_EQ(pixel, scheme.ink); break;
                case Expect::Inked: EXPECT_GE(InkCoverage(pixel, scheme.ink, scheme.background), 0.9); break;
                case Expect::Bare: EXPECT_EQ(pixel, scheme.background); break;
                }
            }
            EXPECT_EQ(PixelsOutsideStrokeReach(canvas, glyph.strokes, scheme.background), 0);
        }
    }
}

// The ink of one row: its amount in pixels and its horizontal centre.
struct RowInk {
    double amount = 0;
    double centre = 0;
};

RowInk InkOfRow(const PixelCanvas& canvas, int y, COLORREF ink, COLORREF background) {
    RowInk row;
    double weighted = 0;
    for (int x = 0; x < canvas.width(); ++x) {
        const double coverage = InkCoverage(canvas.Pixel(x, y), ink, background);
        row.amount += coverage;
        weighted += coverage * (x + 0.5);
    }
    if (row.amount > 0) row.centre = weighted / row.amount;
    return row;
}

// The horizontal centre of all ink: for a glyph symmetric about x + size / 2 it shows where this
// renderer puts that axis, whichever pixel-centre convention it follows.
double InkCentre(const PixelCanvas& canvas, COLORREF ink, COLORREF background) {
    double amount = 0, weighted = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        const RowInk row = InkOfRow(canvas, y, ink, background);
        amount += row.amount;
        weighted += row.amount * row.centre;
    }
    return weighted / amount;
}

TEST(GlyphTest, BackAndForwardAreMirrorImages) {
    const COLORREF ink = kGlyph;
    PixelCanvas back(72, 64, kWhite), forward(72, 64, kWhite), square(72, 64, kWhite);
    DrawBackGlyph(back.dc(), kOriginX, kOriginY, 48, ink);
    DrawForwardGlyph(forward.dc(), kOriginX, kOriginY, 48, ink);
    DrawMaximizeGlyph(square.dc(), kOriginX, kOriginY, 48, ink);

    const double axis = InkCentre(square, ink, kWhite);
    ASSERT_NEAR(axis, kOriginX + 24, 0.5);
    int inkedRows = 0;
    for (int y = 0; y < 64; ++y) {
        SCOPED_TRACE("row " + std::to_string(y));
        const RowInk b = InkOfRow(back, y, ink, kWhite);
        const RowInk f = InkOfRow(forward, y, ink, kWhite);
        EXPECT_NEAR(b.amount, f.amount, 1.5);
        if (b.amount < 1 || f.amount < 1) continue;
        ++inkedRows;
        EXPECT_NEAR(axis - b.centre, f.centre - axis, 0.5);
    }
    EXPECT_GE(inkedRows, 30);
}

}  // namespace
