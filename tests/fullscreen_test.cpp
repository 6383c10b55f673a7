#include "app/fullscreen.h"

#include "app/keyboard.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "app/window.h"
#include "browser_window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using engine_double::CountCalls;
using engine_double::LastCall;

TEST(FullScreenHoldersTest, TheKeyAndThePagesElementCombine) {
    const FullScreenHolders none{false, false}, key{true, false}, element{false, true}, both{true, true};
    struct Case {
        FullScreenHolders before;
        FullScreenEvent event;
        FullScreenHolders after;
    };
    const Case cases[] = {
        {none, FullScreenEvent::KeyPressed, key},
        {key, FullScreenEvent::KeyPressed, none},
        {none, FullScreenEvent::ElementEntered, element},
        {element, FullScreenEvent::ElementLeft, none},
        {element, FullScreenEvent::KeyPressed, element},  // F11 leaves an element's full screen alone
        {key, FullScreenEvent::ElementEntered, both},
        {both, FullScreenEvent::ElementLeft, key},  // the key still holds the window
        {both, FullScreenEvent::KeyPressed, both},
        {none, FullScreenEvent::ElementLeft, none},
        {both, FullScreenEvent::LeaveAll, none},
        {element, FullScreenEvent::LeaveAll, none},
    };
    for (const Case& c : cases) {
        const FullScreenHolders after = NextFullScreenHolders(c.before, c.event);
        EXPECT_EQ(after.byKey, c.after.byKey) << static_cast<int>(c.event) << " from " << c.before.byKey << c.before.byElement;
        EXPECT_EQ(after.byElement, c.after.byElement) << static_cast<int>(c.event) << " from " << c.before.byKey << c.before.byElement;
    }
    EXPECT_FALSE(none.IsFullScreen());
    EXPECT_TRUE(key.IsFullScreen() && element.IsFullScreen() && both.IsFullScreen());
}

// What leaving full screen must give back exactly.
struct WindowShape {
    LONG_PTR style;
    WINDOWPLACEMENT placement;
    RECT rect;
    std::wstring bounds;
};

WindowShape ShapeOf(HWND hwnd) {
    WindowShape shape = {};
    shape.style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    shape.placement.length = sizeof(shape.placement);
    GetWindowPlacement(hwnd, &shape.placement);
    GetWindowRect(hwnd, &shape.rect);
    shape.bounds = LastCall(L"put_Bounds");
    return shape;
}

void ExpectSameShape(const WindowShape& a, const WindowShape& b) {
    EXPECT_EQ(a.style, b.style);
    EXPECT_EQ(a.placement.showCmd, b.placement.showCmd);
    EXPECT_TRUE(EqualRect(&a.placement.rcNormalPosition, &b.placement.rcNormalPosition));
    EXPECT_TRUE(EqualRect(&a.rect, &b.rect));
    EXPECT_EQ(a.bounds, b.bounds);
}

RECT MonitorOf(HWND hwnd) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcMonitor;
}

// F11 as the message loop sees it, in the main window or the address bar.
bool PressF11In(HWND target) {
    MSG msg = {};
    msg.hwnd = target;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_F11;
    msg.lParam = 1;
    return HandleShortcutMessage(msg);
}

class FullScreenTest : public BrowserWindowTest {
protected:
    void SetUp() override {
        BrowserWindowTest::SetUp();
        StartEngine();
        SetWindowPos(window(), nullptr, 37, 41, 900, 600, SWP_NOZORDER);
        engine_double::PumpMessages();
    }
    void ElementFullScreen(bool contains) {
        engine_double::RaiseContainsFullScreenElementChanged(contains);
        ASSERT_TRUE(PumpUntil([contains] { return IsFullScreen() == contains; }));
    }
    void ExpectCoversTheMonitor() {
        const RECT monitor = MonitorOf(window());
        RECT rect, client;
        GetWindowRect(window(), &rect);
        GetClientRect(window(), &client);
        EXPECT_TRUE(EqualRect(&rect, &monitor));
        EXPECT_EQ(client.right, monitor.right - monitor.left) << "no frame is left";
        EXPECT_EQ(client.bottom, monitor.bottom - monitor.top);
        const LONG_PTR style = GetWindowLongPtrW(window(), GWL_STYLE);
        EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
        EXPECT_EQ(style & (WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE), WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE);
        EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(0, 0, client.right, client.bottom));
        EXPECT_FALSE(IsWindowVisible(hAddressBar));
    }
};

TEST_F(FullScreenTest, AnElementEnteringAndLeavingGivesBackStylePlacementAndBoundsExactly) {
    for (bool maximized : {false, true}) {
        SCOPED_TRACE(maximized ? "maximised" : "normal");
        if (maximized) ShowWindow(window(), SW_MAXIMIZE);
        engine_double::PumpMessages();
        const WindowShape before = ShapeOf(window());
        ElementFullScreen(true);
        ExpectCoversTheMonitor();
        ElementFullScreen(false);
        engine_double::PumpMessages();
        ExpectSameShape(ShapeOf(window()), before);
        EXPECT_EQ(IsZoomed(window()) != FALSE, maximized);
        EXPECT_TRUE(IsWindowVisible(hAddressBar));
    }
}

TEST_F(FullScreenTest, F11AndTheElementCombineAndF11GivesTheWindowBack) {
    const WindowShape before = ShapeOf(window());
    EXPECT_TRUE(PressF11In(window()));
    EXPECT_TRUE(IsFullScreen());
    ExpectCoversTheMonitor();
    ElementFullScreen(true);
    engine_double::RaiseContainsFullScreenElementChanged(false);
    engine_double::PumpMessages();
    EXPECT_TRUE(IsFullScreen()) << "F11 still holds the window";
    // From the page, F11 comes through the engine and is kept from it.
    EXPECT_TRUE(engine_double::RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, VK_F11));
    EXPECT_FALSE(IsFullScreen());
    ExpectSameShape(ShapeOf(window()), before);

    ElementFullScreen(true);
    EXPECT_TRUE(PressF11In(window()));
    EXPECT_TRUE(IsFullScreen()) << "F11 does not take the screen from an element";
    ElementFullScreen(false);
    ExpectSameShape(ShapeOf(window()), before);
}

TEST_F(FullScreenTest, TheFocusComesBackWhereItWas) {
    SetFocus(hAddressBar);
    EXPECT_TRUE(PressF11In(hAddressBar));
    EXPECT_EQ(LastCall(L"MoveFocus"), L"MoveFocus 0") << "the hidden bar gives the keyboard to the page";
    EXPECT_NE(GetFocus(), hAddressBar);
    EXPECT_TRUE(PressF11In(window()));
    EXPECT_EQ(GetFocus(), hAddressBar);
}

// Paints a colour over the top of the client area and has the window repaint it: whether the band
// was painted over it again.
bool BandRepaints(HWND hwnd) {
    UpdateWindow(hwnd);  // an erase still pending would paint over the colour too
    const COLORREF sentinel = RGB(1, 2, 3);
    HDC dc = GetDC(hwnd);
    RECT top = {0, 0, 700, 100};
    HBRUSH brush = CreateSolidBrush(sentinel);
    FillRect(dc, &top, brush);
    DeleteObject(brush);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    const bool painted = GetPixel(dc, 600, 10) != sentinel;
    ReleaseDC(hwnd, dc);
    return painted;
}

TEST_F(FullScreenTest, TheHiddenBandTakesNoHoverClicksOrFocusAndAnOpenPanelCloses) {
    EXPECT_TRUE(BandRepaints(window()));
    SetMenuPanelOpen(window(), true);
    SetFocus(window());
    PressF11In(window());
    EXPECT_FALSE(menuOpen);
    EXPECT_FALSE(BandRepaints(window()));
    const int width = ClientWidth();
    SendMessageW(window(), WM_MOUSEMOVE, 0, PointParam(width - 30, 30));
    EXPECT_EQ(hoverIndex, kSlotNone);
    const size_t callsBefore = engine_double::Calls().size();
    Click(window(), 30, 30);            // back
    Click(window(), width - 192, 30);   // menu
    Click(window(), 400, 30);           // the address bar's focus band
    EXPECT_EQ(engine_double::Calls().size(), callsBefore);
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(GetFocus(), window());

    PressF11In(window());
    SendMessageW(window(), WM_MOUSEMOVE, 0, PointParam(ClientWidth() - 30, 30));
    EXPECT_EQ(hoverIndex, kSlotClose) << "back in the window, the band takes the pointer again";
}

TEST_F(FullScreenTest, CtrlLAndAnEngineRestartLeaveFullScreen) {
    const WindowShape before = ShapeOf(window());
    PressF11In(window());
    RunShortcut(Shortcut::FocusAddressBar);
    EXPECT_FALSE(IsFullScreen());
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_TRUE(IsWindowVisible(hAddressBar));

    ElementFullScreen(true);
    engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
    EXPECT_FALSE(IsFullScreen());
    const WindowShape after = ShapeOf(window());
    EXPECT_EQ(after.style, before.style);
    EXPECT_TRUE(EqualRect(&after.rect, &before.rect));
}

}  // namespace
