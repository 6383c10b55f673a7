#include "chrome/glyphs.h"
#include "pixels.h"
#include <gtest/gtest.h>
#include <cstdio>
TEST(Scratch, Dump) {
    GlyphPainter ps[] = {DrawBackGlyph, DrawForwardGlyph, DrawRefreshGlyph, DrawHomeGlyph, DrawCloseGlyph, DrawMaximizeGlyph, DrawMinimizeGlyph, DrawMenuGlyph};
    for (auto p : ps) {
        PixelCanvas c(72, 64, RGB(255,255,255));
        p(c.dc(), 12, 8, 48, RGB(50,50,50));
        printf("   ");
        for (int x = 0; x < 72; ++x) printf("%d", x % 10);
        printf("\n");
        for (int y = 0; y < 64; ++y) {
            printf("%2d ", y);
            for (int x = 0; x < 72; ++x) {
                COLORREF v = c.Pixel(x, y);
                int r = GetRValue(v);
                printf("%c", v == RGB(50,50,50) ? '#' : r == 255 ? '.' : r < 120 ? '@' : r < 200 ? '+' : '-');
            }
            printf("\n");
        }
    }
}
