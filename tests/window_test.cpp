#include "app/window.h"

#include "addressbar/address_bar.h"
#include "app/startup.h"
#include "app/state.h"
#include "browser_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

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

BOOL CALLBACK CollectBrowserWindows(HWND hwnd, LPARAM found) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (std::wstring(name) == kWindowClassName) reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> BrowserWindowsOfThisThread() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectBrowserWindows, reinterpret_cast<LPARAM>(&found));
    return found;
}

// What a start that cannot make its window left behind: its exit code, whether its message loop
// ran, and the browser windows of this thread afterwards (any but keep closed again).
struct FailedStart {
    int code;
    bool loopRan;
    std::vector<HWND> windows;
};

FailedStart RunStartThatCannotMakeItsWindow(HWND keep) {
    const HFONT font = hUIFont;
    const ULONG_PTR token = gdiplusToken;
    const HWND main = hMainWnd;
    PostQuitMessage(0);  // a message loop, had one started, ends on it rather than waiting for ever
    FailedStart start = {RunBrowser(GetModuleHandleW(nullptr), SW_HIDE), false, {}};
    MSG msg;
    start.loopRan = !PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    start.windows = BrowserWindowsOfThisThread();
    for (HWND extra : start.windows) {
        if (extra != keep) DestroyWindow(extra);
    }
    hUIFont = font;
    gdiplusToken = token;
    hMainWnd = main;
    return start;
}

// The class is registered already, by this test's own window, so the start cannot register it: it
// leaves at once with a failure code instead of waiting in a message loop with no window.
TEST_F(WindowTest, StartThatCannotRegisterItsClassLeavesAtOnceWithAFailureCode) {
    const FailedStart start = RunStartThatCannotMakeItsWindow(window());
    EXPECT_NE(start.code, 0);
    EXPECT_FALSE(start.loopRan);
    EXPECT_EQ(start.windows, std::vector<HWND>{window()}) << "no second window";
}

// Refuses the creation of every browser window of this thread.
LRESULT CALLBACK RefuseBrowserWindows(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t name[64] = {};
    if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64) &&
        std::wstring(name) == kWindowClassName) {
        return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// With no window of the class left, the start registers it, and then the window's creation fails.
TEST_F(WindowTest, StartWhoseWindowCannotBeCreatedLeavesAtOnceWithAFailureCode) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    DestroyWindow(window());
    engine_double::PumpMessages();
    ASSERT_TRUE(UnregisterClassW(kWindowClassName, instance));
    const HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseBrowserWindows, nullptr, GetCurrentThreadId());
    const FailedStart start = RunStartThatCannotMakeItsWindow(nullptr);
    UnhookWindowsHookEx(hook);
    const bool classLeftRegistered = UnregisterClassW(kWindowClassName, instance);
    RegisterBrowserClass(instance);  // for the tests that follow
    EXPECT_EQ(start.code, 1);
    EXPECT_FALSE(start.loopRan);
    EXPECT_EQ(start.windows, std::vector<HWND>{});
    EXPECT_FALSE(classLeftRegistered) << "the start unregisters the class it registered";
}

// Ends each window the start makes, from a thread timer: destroyed as by something else, or the one
// numbered closeAt closed as the person closes it.
int windowsEnded = 0, closeAt = 0;
HWND lastEnded = nullptr;
void CALLBACK EndTheStartsWindow(HWND, UINT, UINT_PTR, DWORD) {
    if (!IsWindow(hMainWnd) || hMainWnd == lastEnded) return;
    lastEnded = hMainWnd;
    if (++windowsEnded == closeAt) PostMessageW(hMainWnd, WM_CLOSE, 0, 0);
    else DestroyWindow(hMainWnd);
}

// A window that goes without a close (destroyed by another, as by a closing desktop on Wine, or its
// loop ended by another's WM_QUIT: the first here) is made again; the third so lost ends the process
// with a code of its own, not as a close would.
TEST_F(WindowTest, AWindowLostWithoutACloseIsMadeAgainAndTheThirdLostEndsTheStartWithItsOwnCode) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    DestroyWindow(window());
    engine_double::PumpMessages();
    ASSERT_TRUE(UnregisterClassW(kWindowClassName, instance));
    for (const int c : {2, 0}) {  // the third window closed; none
        windowsEnded = 0, closeAt = c;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, EndTheStartsWindow);
        const FailedStart start = RunStartThatCannotMakeItsWindow(nullptr);
        KillTimer(nullptr, timer);
        EXPECT_EQ(start.code, c ? kExitClosed : kExitWindowTaken) << c;
        EXPECT_EQ(windowsEnded, kWindowTries - 1) << c;
        EXPECT_EQ(start.windows, std::vector<HWND>{});
    }
    RegisterBrowserClass(instance);  // for the tests that follow
}

}  // namespace
