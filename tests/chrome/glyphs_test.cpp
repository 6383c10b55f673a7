#include "pixels.h"
#include <gtest/gtest.h>
#include <cstdio>
static int CountLive() { int n = 0; for (unsigned i = 0; i < 0x10000; ++i) if (GetObjectType((HGDIOBJ)(UINT_PTR)i)) ++n; return n; }
TEST(Scratch, Handles) {
    for (int i = 0; i < 5; ++i) { HBRUSH b = CreateSolidBrush(RGB(1,2,3)); printf("%p\n", (void*)b); DeleteObject(b); }
    HBRUSH b = CreateSolidBrush(RGB(1,2,3));
    printf("type by index %lu\n", GetObjectType((HGDIOBJ)((UINT_PTR)b & 0xFFFF)));
    DeleteObject(b);
    int before = CountLive();
    for (int i = 0; i < 100; ++i) CreateSolidBrush(RGB(1,2,3));
    printf("live %d -> %d, GetGuiResources %lu\n", before, CountLive(), GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
}
