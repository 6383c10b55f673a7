#include "app/fullscreen.h"

#include "app/commands.h"
#include "app/keyboard.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "app/menu.h"
#include "app/window.h"
#include "browser_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FullScreenHoldersTest, TheKeyAndThePagesElementCombine) {
    using E = FullScreenEvent;
    const FullScreenHolders none, key{true, false}, element{false, true}, both{true, true};
    const struct {
        FullScreenHolders before;
        FullScreenEvent event;
        FullScreenHolders after;
    } cases[] = {
        {none, E::KeyPressed, key},         {key, E::KeyPressed, none},
        {none, E::ElementEntered, element}, {element, E::ElementLeft, none},
        {element, E::KeyPressed, element},  // F11 leaves an element's full screen alone
        {key, E::ElementEntered, both},     {both, E::ElementLeft, key},  // the key still holds the window
        {both, E::KeyPressed, both},        {none, E::ElementLeft, none},
        {both, E::LeaveAll, none},          {element, E::LeaveAll, none},
    };
    for (const auto& c : cases) {
        const FullScreenHolders after = NextFullScreenHolders(c.before, c.event);
        EXPECT_TRUE(after.byKey == c.after.byKey && after.byElement == c.after.byElement)
            << "event " << static_cast<int>(c.event) << " from " << c.before.byKey << c.before.byElement;
        EXPECT_EQ(after.IsFullScreen(), c.after.byKey || c.after.byElement);
    }
}

// What leaving full screen must give back exactly: style, placement, window rectangle, view bounds.
std::wstring ShapeOf(HWND hwnd) {
    WINDOWPLACEMENT p = {};
    p.length = sizeof(p);
    GetWindowPlacement(hwnd, &p);
    RECT r;
    GetWindowRect(hwnd, &r);
    const RECT& n = p.rcNormalPosition;
    wchar_t text[200];
    swprintf(text, 200, L"style %llx show %u normal %ld %ld %ld %ld rect %ld %ld %ld %ld ",
             static_cast<unsigned long long>(GetWindowLongPtrW(hwnd, GWL_STYLE)), p.showCmd, n.left, n.top, n.right,
             n.bottom, r.left, r.top, r.right, r.bottom);
    return text + LastCall(L"put_Bounds");
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

// Paints a colour over the top of the client area, has the window repaint it, and tells whether
// the band was painted over it again.
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

// The show commands the thread's windows are given, as the system's hook sees them: Wine does not
// activate a minimised window for an activating command, but Windows does.
std::vector<UINT> showCommands;
LRESULT CALLBACK NoteShowCommand(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_MINMAX) showCommands.push_back(LOWORD(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
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
    // No caption or frame, the monitor covered, the view over the whole client area, no bar.
    void ExpectCoversTheMonitor() {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(window(), MONITOR_DEFAULTTONEAREST), &monitor);
        RECT rect, client;
        GetWindowRect(window(), &rect);
        GetClientRect(window(), &client);
        EXPECT_TRUE(EqualRect(&rect, &monitor.rcMonitor));
        EXPECT_TRUE(client.right == rect.right - rect.left && client.bottom == rect.bottom - rect.top) << "a frame is left";
        EXPECT_EQ(GetWindowLongPtrW(window(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_POPUP | WS_CLIPCHILDREN),
                  WS_POPUP | WS_CLIPCHILDREN);
        EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(0, 0, client.right, client.bottom));
        EXPECT_FALSE(IsWindowVisible(hAddressBar));
    }
};

// Also in a window the person left for another: it is not activated, maximised or not.
TEST_F(FullScreenTest, AnElementEnteringAndLeavingGivesBackStylePlacementAndBoundsExactly) {
    HWND other = CreateWindowExW(0, L"STATIC", L"other program", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    const std::wstring normal = ShapeOf(window());
    for (HWND active : {window(), other}) {
        for (bool maximized : {false, true}) {
            SCOPED_TRACE(std::string(active == other ? "inactive, " : "") + (maximized ? "maximised" : "normal"));
            ShowWindow(window(), maximized ? SW_MAXIMIZE : SW_RESTORE);
            SetForegroundWindow(active);
            ASSERT_TRUE(PumpUntil([active] { return GetActiveWindow() == active; }));
            const std::wstring before = ShapeOf(window());
            ElementFullScreen(true);
            ExpectCoversTheMonitor();
            ElementFullScreen(false);
            engine_double::PumpMessages();
            EXPECT_EQ(ShapeOf(window()), before);
            EXPECT_EQ(IsZoomed(window()) != FALSE, maximized);
            EXPECT_EQ(GetActiveWindow(), active);
            EXPECT_TRUE(IsWindowVisible(hAddressBar));
        }
    }
    ShowWindow(window(), SW_RESTORE);  // the inactive window's maximise undone as any
    EXPECT_EQ(ShapeOf(window()), normal);
    DestroyWindow(other);
}

TEST_F(FullScreenTest, F11AndTheElementCombineAndTheFocusComesBackWhereItWas) {
    const std::wstring before = ShapeOf(window());
    SetFocus(hAddressBar);
    SetForegroundWindow(window());
    EXPECT_TRUE(PressF11In(hAddressBar));
    ExpectCoversTheMonitor();
    EXPECT_EQ(LastCall(L"MoveFocus"), L"MoveFocus 0") << "the hidden bar gives the keyboard to the page";
    // F11 says how to leave, and takes neither activation nor focus.
    const HWND hint = FullScreenHint();
    ASSERT_TRUE(hint && IsWindowVisible(hint) && GetWindowTextLengthW(hint));
    engine_double::PumpMessages();
    EXPECT_TRUE(GetActiveWindow() == window() && GetFocus() != hint);
    ElementFullScreen(true);
    engine_double::RaiseContainsFullScreenElementChanged(false);
    engine_double::PumpMessages();
    EXPECT_TRUE(IsFullScreen()) << "F11 still holds the window";
    // From the page, F11 comes through the engine and is kept from it; it acts after the event.
    EXPECT_TRUE(engine_double::RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, VK_F11));
    ASSERT_TRUE(PumpUntil([] { return !IsFullScreen(); }));
    EXPECT_EQ(ShapeOf(window()), before);
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_FALSE(IsWindow(hint)) << "leaving takes the hint away";

    ElementFullScreen(true);
    EXPECT_EQ(FullScreenHint(), nullptr) << "a page's element is left by Escape, as everywhere";
    EXPECT_TRUE(PressF11In(window()));
    EXPECT_TRUE(IsFullScreen()) << "F11 does not take the screen from an element";
    ElementFullScreen(false);
    EXPECT_EQ(ShapeOf(window()), before);

    EXPECT_TRUE(PressF11In(window()));
    const HWND shown = FullScreenHint();
    EXPECT_TRUE(PumpUntil([shown] { return !IsWindow(shown); }, kFullScreenHintMs + 2000)) << "it goes by itself";
    EXPECT_TRUE(IsFullScreen());
    EXPECT_TRUE(PressF11In(window()));
}

TEST_F(FullScreenTest, TheHiddenBandIsNotPaintedAndTakesNoHoverClicksOrFocusAndAnOpenPanelCloses) {
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
    for (int x : {30, width - 192, 400}) Click(window(), x, 30);  // back, menu, the bar's focus band
    EXPECT_EQ(engine_double::Calls().size(), callsBefore);
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(GetFocus(), window());

    PressF11In(window());
    SendMessageW(window(), WM_MOUSEMOVE, 0, PointParam(ClientWidth() - 30, 30));
    EXPECT_EQ(hoverIndex, kSlotClose) << "back in the window, the band takes the pointer again";
}

TEST_F(FullScreenTest, CtrlLF10AndAnEngineRestartLeaveFullScreen) {
    const std::wstring before = ShapeOf(window());
    PressF11In(window());
    RunCommand(window(), Command::FocusAddressBar);
    EXPECT_EQ(ShapeOf(window()), before);
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_TRUE(IsWindowVisible(hAddressBar));

    // F10 (Alt+F, Alt alone) brings the window back and opens the panel there, never behind the page.
    for (bool byElement : {false, true}) {
        SCOPED_TRACE(byElement ? "an element" : "F11");
        if (byElement) {
            ElementFullScreen(true);
        } else {
            PressF11In(window());
        }
        ASSERT_TRUE(IsFullScreen());
        RunCommand(window(), Command::MenuByKeyboard);
        EXPECT_FALSE(IsFullScreen());
        EXPECT_TRUE(menuOpen);
        EXPECT_EQ(menuFocusItem, 0);
        EXPECT_TRUE(IsWindowVisible(hAddressBar));
        RunCommand(window(), Command::CloseMenu);
        EXPECT_EQ(ShapeOf(window()), before);
    }

    ElementFullScreen(true);
    engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
    ASSERT_TRUE(PumpUntil([] { return !IsFullScreen(); })) << "the restart after the event leaves full screen";
    // The window as before; the view is gone, so its last bounds are still the full-screen ones.
    const size_t windowPart = before.find(L"put_Bounds");
    EXPECT_EQ(ShapeOf(window()).substr(0, windowPart), before.substr(0, windowPart));
}

// A minimised window: F11 leaves it alone, and leaving full screen keeps it minimised and inactive
// with its frame and band back, so that the next restore shows it where and as it was. Only the
// placement's documented combinations are used: a maximised window is owed its maximise (the
// restore-to-maximised flag holds only with SW_SHOWMINIMIZED, which would activate it).
TEST_F(FullScreenTest, AMinimisedWindowStaysMinimisedAndRestoresAsItWas) {
    const std::wstring normalShape = ShapeOf(window());
    ShowWindow(window(), SW_MINIMIZE);
    const std::wstring minimisedShape = ShapeOf(window());
    PressF11In(window());
    EXPECT_FALSE(IsFullScreen());
    EXPECT_EQ(ShapeOf(window()), minimisedShape);
    ShowWindow(window(), SW_RESTORE);
    EXPECT_EQ(ShapeOf(window()), normalShape);

    HWND other = CreateWindowExW(0, L"STATIC", L"other program", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (bool maximized : {false, true}) {
        for (bool elementLeaves : {false, true}) {  // the page's own exit, or F11
            SCOPED_TRACE(std::string(maximized ? "maximised" : "normal") + (elementLeaves ? ", element" : ", F11"));
            ShowWindow(window(), maximized ? SW_MAXIMIZE : SW_RESTORE);
            engine_double::PumpMessages();
            const std::wstring before = ShapeOf(window());
            PressF11In(window());
            ASSERT_TRUE(IsFullScreen());
            ShowWindow(window(), SW_MINIMIZE);
            SetForegroundWindow(other);
            ASSERT_TRUE(PumpUntil([other] { return GetActiveWindow() == other; }));
            showCommands.clear();
            HHOOK hook = SetWindowsHookExW(WH_CBT, NoteShowCommand, nullptr, GetCurrentThreadId());
            if (elementLeaves) {
                ApplyFullScreenEvent(window(), FullScreenEvent::LeaveAll);
            } else {
                PressF11In(window());
            }
            UnhookWindowsHookEx(hook);
            EXPECT_EQ(showCommands, std::vector<UINT>{SW_SHOWMINNOACTIVE}) << "none that activates";
            engine_double::PumpMessages();
            EXPECT_FALSE(IsFullScreen());
            EXPECT_TRUE(IsIconic(window()));
            EXPECT_EQ(GetActiveWindow(), other);
            const LONG_PTR style = GetWindowLongPtrW(window(), GWL_STYLE);
            EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_POPUP | WS_MINIMIZE), WS_CAPTION | WS_THICKFRAME | WS_MINIMIZE);
            WINDOWPLACEMENT away = {};
            away.length = sizeof(away);
            GetWindowPlacement(window(), &away);
            EXPECT_EQ(away.flags & WPF_RESTORETOMAXIMIZED, 0u) << "the flag without SW_SHOWMINIMIZED";
            ShowWindow(window(), SW_RESTORE);
            engine_double::PumpMessages();
            EXPECT_EQ(ShapeOf(window()), before);
            EXPECT_EQ(IsZoomed(window()) != FALSE, maximized);
            EXPECT_TRUE(IsWindowVisible(hAddressBar));
            EXPECT_TRUE(BandRepaints(window())) << "the band is back";
        }
    }
    // A maximise owed is paid once: restored to normal, minimised and restored, the window is normal.
    ShowWindow(window(), SW_RESTORE);
    ShowWindow(window(), SW_MINIMIZE);
    ShowWindow(window(), SW_RESTORE);
    engine_double::PumpMessages();
    EXPECT_FALSE(IsZoomed(window()));
    DestroyWindow(other);
}

}  // namespace
