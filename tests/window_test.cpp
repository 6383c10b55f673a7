#include "app/window.h"

#include "addressbar/address_bar.h"
#include "app/state.h"
#include "browser_window.h"

#include <gtest/gtest.h>

namespace {

using engine_double::CountCalls;
using engine_double::LastCall;

class WindowTest : public BrowserWindowTest {};

TEST_F(WindowTest, OpensAsTheTrovBrowserWindow) {
    wchar_t className[64] = {}, title[64] = {};
    GetClassNameW(window(), className, 64);
    GetWindowTextW(window(), title, 64);
    EXPECT_STREQ(className, L"TrovBrowserClass");
    EXPECT_STREQ(title, L"Trov Browser");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window(), GWL_STYLE)) & (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN),
              static_cast<DWORD>(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN));
    RECT r;
    GetWindowRect(window(), &r);
    EXPECT_EQ(r.right - r.left, 1200);
    EXPECT_EQ(r.bottom - r.top, 800);
    EXPECT_EQ(hMainWnd, window());
}

// Paints over the client area, repaints without erasing and reads back which rows the band
// covered: the band is exactly as high as the off-screen bitmap.
int RowsRepaintedByTheBand(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    const COLORREF sentinel = RGB(1, 2, 3);
    HDC dc = GetDC(hwnd);
    HBRUSH brush = CreateSolidBrush(sentinel);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    int rows = 0;
    while (rows < rc.bottom && GetPixel(dc, 600, rows) != sentinel) ++rows;
    ReleaseDC(hwnd, dc);
    return rows;
}

TEST_F(WindowTest, PaintsABandAsHighAsTheToolbarOrToolbarAndMenu) {
    EXPECT_EQ(RowsRepaintedByTheBand(window()), 64);
    menuOpen = true;
    EXPECT_EQ(RowsRepaintedByTheBand(window()), 384);
}

TEST_F(WindowTest, SizeWithoutAnAddressBarStillResizesTheViewAndRepaints) {
    StartEngine();
    const int boundsBefore = CountCalls(L"put_Bounds");
    RECT barBefore;
    GetWindowRect(hAddressBar, &barBefore);
    HWND bar = hAddressBar;
    hAddressBar = nullptr;
    ResetMessageCounts();
    SendMessageW(window(), WM_SIZE, 0, 0);
    EXPECT_EQ(CountCalls(L"put_Bounds"), boundsBefore + 1);
    EXPECT_TRUE(PumpUntil([this] { return paints() > 0; }));
    EXPECT_EQ(erases(), 0);
    hAddressBar = bar;
}

}  // namespace
