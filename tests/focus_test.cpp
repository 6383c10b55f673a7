#include "app/focus.h"

#include "app/commands.h"
#include "app/fullscreen.h"
#include "app/state.h"
#include "keys.h"
#include "webhost/messages.h"

#include <gtest/gtest.h>

namespace {

TEST_F(ShortcutTest, FocusShortcutsSelectTheWholeAddressFromTheMainWindowAndTheBar) {
    SetWindowTextW(hAddressBar, L"https://some.example/");
    for (const auto& c : kFocusCases) {
        for (HWND target : {window(), hAddressBar}) {
            if (c[0] == VK_F6 && target == hAddressBar) continue;  // on into the page, below
            SetFocus(target);
            SendMessageW(hAddressBar, EM_SETSEL, 3, 3);
            EXPECT_TRUE(LoopTakes(target, c[0], c[1])) << c[0];
            EXPECT_EQ(GetFocus(), hAddressBar) << c[0];
            EXPECT_TRUE(WholeBarSelected()) << c[0];
        }
    }
}

// Tab, Shift+Tab and F6 go on from the bar into the page: its first element, its last, or where
// it was. Until the engine is ready there is no page, and the bar keeps the focus.
// So is the moment after the engine's process died, while its controller is still held.
TEST_F(ShortcutTest, TabShiftTabAndF6InTheBarMoveTheFocusIntoThePage) {
    const EngineCase cases[] = {{VK_TAB, kNone, L"MoveFocus 1"}, {VK_TAB, kShift, L"MoveFocus 2"},
                                {VK_F6, kNone, L"MoveFocus 0"}};
    enum Stage { kNoEngine, kProcessDied, kReady };
    for (Stage stage : {kNoEngine, kProcessDied, kReady}) {
        const bool ready = stage == kReady;
        if (stage == kProcessDied) {
            StartEngine();
            engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
            ASSERT_NE(webviewController.Get(), nullptr);
            SetWindowTextW(hAddressBar, L"typed.example");
            SendMessageW(window(), WM_APP_NAVIGATE, 0, 0);  // Enter's navigation
            EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), 0);
        }
        if (ready) {
            engine_double::PumpMessages();  // the dead engine's restart, once its browser process has gone
            engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED);
            engine_double::PumpMessages();
            StartEngine();
        }
        for (const EngineCase& c : cases) {
            SetFocus(hAddressBar);
            const int before = engine_double::CountCalls(L"MoveFocus");
            EXPECT_TRUE(LoopTakes(hAddressBar, c.key, c.modifiers)) << c.call;
            EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), before + (ready ? 1 : 0)) << c.call;
            if (ready) {
                EXPECT_EQ(LastCall(L"MoveFocus"), c.call);
            }
            EXPECT_EQ(GetFocus(), hAddressBar) << c.call;
        }
    }
    EXPECT_FALSE(LoopTakes(window(), VK_TAB, kNone));
}

// The focus comes back where it was when the window is activated again.
class FocusReturnTest : public ShortcutTest {
protected:
    void SetUp() override {
        ShortcutTest::SetUp();
        StartEngine();
        other_ = CreateWindowExW(0, L"STATIC", L"other program", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override {
        DestroyWindow(other_);
        ShortcutTest::TearDown();
    }
    void SwitchAwayAndBack() {
        SetForegroundWindow(other_);
        ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == other_; }));
        SetForegroundWindow(window());
        ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == window(); }));
    }
    HWND other_ = nullptr;
};

TEST_F(FocusReturnTest, TheAddressBarGetsTheFocusBackWithItsSelection) {
    SetWindowTextW(hAddressBar, L"abcdef");
    SetFocus(hAddressBar);
    SendMessageW(hAddressBar, EM_SETSEL, 2, 4);
    SwitchAwayAndBack();
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_EQ(BarSelection(), std::make_pair(DWORD(2), DWORD(4)));

    ShowWindow(window(), SW_MINIMIZE);
    engine_double::PumpMessages();
    ShowWindow(window(), SW_RESTORE);
    SetForegroundWindow(window());
    EXPECT_TRUE(PumpUntil([] { return GetFocus() == hAddressBar; })) << "after minimize and restore";
    EXPECT_EQ(BarSelection(), std::make_pair(DWORD(2), DWORD(4)));

    // Windows' order, which Wine does not produce: the minimised window is activated first, which
    // gives no focus, and its restore then gives the main window the focus.
    ShowWindow(window(), SW_MINIMIZE);
    engine_double::PumpMessages();
    SetFocus(nullptr);  // as Windows leaves a minimised window
    SendMessageW(window(), WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, TRUE), 0);
    EXPECT_EQ(GetFocus(), nullptr);
    ShowWindow(window(), SW_SHOWNOACTIVATE);  // the restore focuses the main window, with no activation
    EXPECT_EQ(GetFocus(), hAddressBar) << "activated while minimised, then restored";
    EXPECT_EQ(BarSelection(), std::make_pair(DWORD(2), DWORD(4)));
    SetFocus(window());
    EXPECT_EQ(GetFocus(), window()) << "any later focus of the main window stays there";

    // The page in the same order: it is asked to take the keyboard at the restore, not before.
    ASSERT_TRUE(engine_double::RaiseFocusChanged(true));
    ShowWindow(window(), SW_MINIMIZE);
    engine_double::PumpMessages();
    const int moves = engine_double::CountCalls(L"MoveFocus");
    SendMessageW(window(), WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, TRUE), 0);
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), moves) << "activated while minimised";
    ShowWindow(window(), SW_SHOWNOACTIVATE);
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), moves + 1) << "then restored";
}

// A restart gives the page's focus back only to a window that is active and shown; one the person
// minimised or left gets it back on its activation. The old page's focus dies with it: a new page
// that never says it got the focus does not get it back on the next activation.
TEST_F(FocusReturnTest, ARestartGivesThePageTheFocusOnlyInAnActiveShownWindow) {
    const auto restartWithThePageFocused = [] {
        EXPECT_TRUE(engine_double::RaiseFocusChanged(true));
        engine_double::RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
        engine_double::RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED);
        engine_double::PumpMessages();
    };
    SetFocus(window());
    ShowWindow(window(), SW_SHOWMINIMIZED);
    ASSERT_EQ(GetActiveWindow(), window());
    restartWithThePageFocused();
    StartEngine();
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), 0) << "minimised";
    ShowWindow(window(), SW_RESTORE);
    SetForegroundWindow(other_);
    ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == other_; }));
    SetForegroundWindow(window());
    ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == window(); }));

    SetFocus(window());
    SetForegroundWindow(other_);
    ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == other_; }));
    const int moves = engine_double::CountCalls(L"MoveFocus");
    restartWithThePageFocused();
    StartEngine();
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), moves) << "left for another window";
    SetForegroundWindow(window());
    ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == window(); }));
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), moves + 1) << "on the activation, not before";

    SetFocus(window());
    restartWithThePageFocused();
    StartEngine();
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), moves + 2) << "active and shown";
    SwitchAwayAndBack();
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), moves + 2) << "the new page never took it";
}

// Only the engine knows whether its page has the focus (its window is another process's): a child
// window with the focus is the page only between GotFocus and LostFocus.
TEST_F(FocusReturnTest, ThePageGetsTheFocusBackThroughTheControllerAfterItsGotFocus) {
    HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 64, 100, 100, window(), nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SetFocus(child);
    SwitchAwayAndBack();
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), 0) << "no GotFocus yet";

    SetFocus(child);
    ASSERT_TRUE(engine_double::RaiseFocusChanged(true));
    SwitchAwayAndBack();
    EXPECT_EQ(LastCall(L"MoveFocus"), L"MoveFocus 0");

    // The focus event of a page in another process: its window is never the thread's focus.
    const int moves = engine_double::CountCalls(L"MoveFocus");
    SetFocus(window());
    ASSERT_TRUE(engine_double::RaiseFocusChanged(true));
    SwitchAwayAndBack();
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), moves + 1);

    ASSERT_TRUE(engine_double::RaiseFocusChanged(false));
    SetFocus(window());
    SwitchAwayAndBack();
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), moves + 1) << "LostFocus ends it";
    EXPECT_EQ(GetFocus(), window());
    DestroyWindow(child);
}

// Full screen and the panel move the focus only in the window the person is using: not in one that
// is minimised or inactive, and then not by activating it.
TEST_F(FocusReturnTest, FullScreenAndThePanelMoveNoFocusInAWindowThePersonIsNotUsing) {
    const auto moves = [] { return engine_double::CountCalls(L"MoveFocus"); };
    // Left while minimised but still active: neither the page nor the bar is given the focus.
    for (bool pageHadIt : {true, false}) {
        SCOPED_TRACE(pageHadIt ? "the page" : "the bar");
        ShowWindow(window(), SW_RESTORE);
        SetForegroundWindow(window());
        ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == window(); }));
        SetFocus(pageHadIt ? window() : hAddressBar);
        if (pageHadIt) {
            ASSERT_TRUE(engine_double::RaiseFocusChanged(true));
        }
        EXPECT_TRUE(LoopTakes(GetFocus(), VK_F11, kNone));
        ASSERT_TRUE(IsFullScreen());
        ShowWindow(window(), SW_SHOWMINIMIZED);
        ASSERT_EQ(GetActiveWindow(), window());
        const int before = moves();
        const HWND focus = GetFocus();
        EXPECT_TRUE(LoopTakes(window(), VK_F11, kNone));
        EXPECT_FALSE(IsFullScreen());
        EXPECT_EQ(moves(), before);
        EXPECT_EQ(GetFocus(), focus);
        if (pageHadIt) {
            ASSERT_TRUE(engine_double::RaiseFocusChanged(false));
        }
    }
    ShowWindow(window(), SW_RESTORE);
    SetForegroundWindow(window());
    ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == window(); }));

    // The bar had the focus when F10 opened the panel: F11 closes the panel, and leaving full
    // screen gives the bar its focus back.
    SetFocus(hAddressBar);
    EXPECT_TRUE(LoopTakes(hAddressBar, VK_F10, kNone));
    ASSERT_TRUE(menuOpen);
    EXPECT_TRUE(LoopTakes(GetFocus(), VK_F11, kNone));
    EXPECT_FALSE(menuOpen);
    EXPECT_TRUE(LoopTakes(GetFocus(), VK_F11, kNone));
    EXPECT_EQ(GetFocus(), hAddressBar);

    // The page's element enters full screen while another window is active: Trov is not activated
    // and no focus moves; nor when the panel is closed then.
    RunCommand(window(), Command::Menu);
    ASSERT_TRUE(menuOpen);
    SetForegroundWindow(other_);
    ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == other_; }));
    RunCommand(window(), Command::CloseMenu);
    EXPECT_FALSE(menuOpen);
    engine_double::PumpMessages();
    EXPECT_EQ(GetActiveWindow(), other_) << "closing the panel";
    const int before = moves();
    engine_double::RaiseContainsFullScreenElementChanged(true);
    ASSERT_TRUE(PumpUntil([] { return IsFullScreen(); }));
    EXPECT_EQ(GetActiveWindow(), other_) << "an element entering full screen";
    EXPECT_EQ(moves(), before);
    engine_double::RaiseContainsFullScreenElementChanged(false);
    ASSERT_TRUE(PumpUntil([] { return !IsFullScreen(); }));
    EXPECT_EQ(GetActiveWindow(), other_) << "the element leaving";

    // The bar was focused while the page still believed it had the focus (no LostFocus came):
    // switching away and back gives the bar its focus, and asks nothing of the page.
    SetForegroundWindow(window());
    ASSERT_TRUE(PumpUntil([this] { return GetActiveWindow() == window(); }));
    SetFocus(window());
    ASSERT_TRUE(engine_double::RaiseFocusChanged(true));
    SetFocus(hAddressBar);
    const int beforeSwitch = moves();
    SwitchAwayAndBack();
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_EQ(moves(), beforeSwitch);
}

TEST_F(FocusReturnTest, TheMainWindowKeepsTheFocusAsBefore) {
    SetFocus(window());
    SwitchAwayAndBack();
    EXPECT_EQ(GetFocus(), window());
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), 0);
}

// The box gives the focus back itself, not only through the window's activation after it.
TEST_F(FocusReturnTest, AMenuMessageBoxGivesTheFocusBack) {
    MessageBoxCatcher catcher;
    for (bool bypassActivation : {false, true}) {
        SCOPED_TRACE(bypassActivation ? "without the activation's restore" : "with it");
        if (bypassActivation) BypassActivationHandling();
        SetWindowTextW(hAddressBar, L"abcdef");
        SetFocus(hAddressBar);
        SendMessageW(hAddressBar, EM_SETSEL, 1, 3);
        menuOpen = true;
        Click(window(), 100, 150);  // the first item
        EXPECT_EQ(GetFocus(), hAddressBar);
        EXPECT_EQ(BarSelection(), std::make_pair(DWORD(1), DWORD(3)));

        SetFocus(window());
        ASSERT_TRUE(engine_double::RaiseFocusChanged(true));
        const int moves = engine_double::CountCalls(L"MoveFocus");
        menuOpen = true;
        Click(window(), 100, 150);
        EXPECT_GT(engine_double::CountCalls(L"MoveFocus"), moves) << "the page";
        ASSERT_TRUE(engine_double::RaiseFocusChanged(false));
    }
    EXPECT_EQ(catcher.total(), 4);
}

// The engine's first focus goes to the main window whatever was remembered before.
TEST_F(ShortcutTest, TheFirstFocusWhenTheEngineIsReadyIsTheMainWindow) {
    SetFocus(hAddressBar);
    RememberFocus();  // as a deactivation before the engine was ready
    StartEngine();
    EXPECT_EQ(GetFocus(), window());
}

}  // namespace
