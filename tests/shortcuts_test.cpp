#include "app/shortcuts.h"

#include "addressbar/address_bar.h"
#include "app/commands.h"
#include "app/focus.h"
#include "app/keyboard.h"
#include "app/state.h"
#include "keys.h"
#include "webhost/zoom.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

KeyPress Press(UINT key, int modifiers, bool inBar = false, bool menuIsOpen = false) {
    return KeyPress{key, true, false, (modifiers & kCtrl) != 0, (modifiers & kAlt) != 0, (modifiers & kShift) != 0,
                    inBar ? FocusPlace::AddressBar : FocusPlace::MainWindow, menuIsOpen};
}

TEST(ShortcutTableTest, EachKeyMapsToItsCommandAndEverythingElseToNothing) {
    struct Case {
        UINT key;
        int modifiers;
        bool inBar;
        bool menuIsOpen;
        Command expected;
    };
    const Case cases[] = {
        {'L', kCtrl, false, false, Command::FocusAddressBar},
        {'D', kAlt, true, false, Command::FocusAddressBar},
        {VK_F6, kNone, false, false, Command::FocusAddressBar},
        {VK_F6, kNone, true, false, Command::FocusPage},
        {VK_F6, kShift, true, false, Command::None},
        {VK_TAB, kNone, true, false, Command::TabIntoPage},
        {VK_TAB, kShift, true, false, Command::TabBackIntoPage},
        {VK_TAB, kNone, false, false, Command::None},  // the page's own, or nothing in the main window
        {VK_TAB, kShift, false, false, Command::None},
        {VK_TAB, kCtrl, true, false, Command::None},
        {VK_TAB, kAlt, true, false, Command::None},  // the system's window switch
        {VK_ESCAPE, kNone, true, false, Command::RestoreAddressBar},
        {VK_ESCAPE, kNone, false, false, Command::None},
        {VK_ESCAPE, kNone, true, true, Command::CloseMenu},
        {VK_ESCAPE, kNone, false, true, Command::CloseMenu},
        {VK_ESCAPE, kShift, true, false, Command::None},
        {'A', kCtrl, true, false, Command::SelectAllInBar},
        {'A', kCtrl, false, false, Command::None},  // the page's own select-all
        {VK_F5, kNone, false, false, Command::Reload},
        {'R', kCtrl, true, false, Command::Reload},
        {VK_LEFT, kAlt, false, false, Command::Back},
        {VK_BROWSER_BACK, kNone, false, false, Command::Back},
        {VK_RIGHT, kAlt, true, false, Command::Forward},
        {VK_BROWSER_FORWARD, kNone, false, false, Command::Forward},
        {VK_HOME, kAlt, false, false, Command::Home},
        {VK_BROWSER_HOME, kNone, false, false, Command::Home},
        {'W', kCtrl, false, false, Command::Close},
        {VK_F11, kNone, false, false, Command::ToggleFullScreen},
        {VK_F11, kNone, true, false, Command::ToggleFullScreen},
        {VK_F11, kAlt, false, false, Command::None},
        {'M', kCtrl, true, false, Command::None},  // swallowed by the bar as a carriage return
        {VK_RETURN, kNone, true, false, Command::None},
        {VK_RETURN, kCtrl, true, false, Command::None},
        {VK_LEFT, kNone, true, false, Command::None},
        {VK_HOME, kNone, true, false, Command::None},
        {VK_LEFT, kCtrl, true, false, Command::None},
        {VK_F5, kShift, false, false, Command::None},
        {'L', kCtrl | kAlt, false, false, Command::None},  // AltGr on many layouts
        {'D', kCtrl | kAlt, true, false, Command::None},
        {'L', kCtrl | kShift, false, false, Command::None},
        {'R', kAlt, false, false, Command::None},
        {VK_F4, kAlt, false, false, Command::None},  // the system's close stays the system's
        {VK_F10, kNone, false, false, Command::MenuByKeyboard},
        {VK_F10, kNone, true, true, Command::MenuByKeyboard},
        {'F', kAlt, true, false, Command::MenuByKeyboard},
        {VK_F10, kShift, false, false, Command::None},  // the context menu's key
        {VK_RIGHT, kNone, false, true, Command::None},  // a panel opened by the mouse
        {VK_OEM_MINUS, kCtrl, true, false, Command::ZoomOut},
        {VK_SUBTRACT, kCtrl, false, false, Command::ZoomOut},
        {VK_OEM_PLUS, kCtrl, true, false, Command::ZoomIn},
        {VK_OEM_PLUS, kCtrl | kShift, true, false, Command::ZoomIn},  // "+" is a shifted key on many layouts
        {VK_ADD, kCtrl, false, true, Command::ZoomIn},
        {'0', kCtrl, true, false, Command::ZoomReset},
        {VK_NUMPAD0, kCtrl, false, false, Command::ZoomReset},
        {VK_OEM_MINUS, kNone, true, false, Command::None},
        {VK_OEM_MINUS, kCtrl | kAlt, true, false, Command::None},
        {'0', kNone, true, false, Command::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShortcutFor(Press(c.key, c.modifiers, c.inBar, c.menuIsOpen)), c.expected)
            << "key " << c.key << " modifiers " << c.modifiers << " in bar " << c.inBar << " menu " << c.menuIsOpen;
    }
    for (UINT key = 'A'; key <= 'Z'; ++key) {
        for (bool inBar : {false, true}) {
            EXPECT_EQ(ShortcutFor(Press(key, kNone, inBar)), Command::None) << key;
            EXPECT_EQ(ShortcutFor(Press(key, kShift, inBar)), Command::None) << key;
        }
    }
}

TEST(AppCommandTableTest, TheBrowserCommandsRunTheirCommandsAndTheRestAreTheSystems) {
    const std::pair<int, Command> cases[] = {
        {APPCOMMAND_BROWSER_BACKWARD, Command::Back},   {APPCOMMAND_BROWSER_FORWARD, Command::Forward},
        {APPCOMMAND_BROWSER_REFRESH, Command::Reload},  {APPCOMMAND_BROWSER_HOME, Command::Home},
        {APPCOMMAND_BROWSER_STOP, Command::None},       {APPCOMMAND_BROWSER_SEARCH, Command::None},
        {APPCOMMAND_BROWSER_FAVORITES, Command::None},  {APPCOMMAND_CLOSE, Command::None},
        {APPCOMMAND_VOLUME_UP, Command::None},          {0, Command::None},
    };
    for (const auto& [appCommand, expected] : cases) EXPECT_EQ(CommandForAppCommand(appCommand), expected) << appCommand;
}

TEST_F(ShortcutTest, EngineShortcutsFromTheBarAndTheMainWindowCallTheEngineOncePerPress) {
    StartEngine();
    for (HWND target : {hAddressBar, window()}) {
        for (const EngineCase& c : kEngineCases) {
            const size_t before = Calls().size();
            EXPECT_TRUE(LoopTakes(target, c.key, c.modifiers)) << c.call;
            ASSERT_EQ(Calls().size(), before + 1) << c.call;
            EXPECT_EQ(Calls().back(), c.call);
            EXPECT_TRUE(LoopTakes(target, c.key, c.modifiers, true)) << "a repeat is swallowed";
            EXPECT_EQ(Calls().size(), before + 1) << "a repeat runs nothing: " << c.call;
        }
    }
}

TEST_F(ShortcutTest, BeforeTheEngineIsReadyEngineShortcutsAreSwallowedAndCallNothing) {
    for (const EngineCase& c : kEngineCases) EXPECT_TRUE(LoopTakes(window(), c.key, c.modifiers)) << c.call;
    engine_double::PumpMessages();
    EXPECT_EQ(Calls(), std::vector<std::wstring>{L"CreateEnvironment"});
}

// The mouse's back and forward buttons and the browser keys reach the window as application
// commands: the same commands as the buttons; the others go on to the default handling.
TEST_F(ShortcutTest, AppCommandsRunTheirCommandAndAnswerTrue) {
    StartEngine();
    const std::pair<int, const wchar_t*> cases[] = {{APPCOMMAND_BROWSER_BACKWARD, L"GoBack"},
                                                    {APPCOMMAND_BROWSER_FORWARD, L"GoForward"},
                                                    {APPCOMMAND_BROWSER_REFRESH, L"Reload"},
                                                    {APPCOMMAND_BROWSER_HOME, L"Navigate https://duckduckgo.com/"}};
    for (const auto& [appCommand, call] : cases) {
        const size_t before = Calls().size();
        const LPARAM lParam = MAKELPARAM(0, appCommand | FAPPCOMMAND_MOUSE);
        EXPECT_EQ(SendMessageW(window(), WM_APPCOMMAND, reinterpret_cast<WPARAM>(window()), lParam), TRUE) << call;
        ASSERT_EQ(Calls().size(), before + 1) << call;
        EXPECT_EQ(Calls().back(), call);
    }
    const size_t before = Calls().size();
    const LPARAM stop = MAKELPARAM(0, APPCOMMAND_BROWSER_STOP | FAPPCOMMAND_KEY);
    EXPECT_EQ(SendMessageW(window(), WM_APPCOMMAND, reinterpret_cast<WPARAM>(window()), stop), FALSE);
    EXPECT_EQ(Calls().size(), before);
}

TEST_F(ShortcutTest, EscapeInTheBarPutsTheUrlBackAndEndsTheEditButNotElsewhere) {
    currentUrl = L"https://current.example/";
    SetFocus(hAddressBar);
    SetWindowTextW(hAddressBar, L"half typed");
    SendMessageW(hAddressBar, EM_SETMODIFY, TRUE, 0);
    EXPECT_TRUE(LoopTakes(hAddressBar, VK_ESCAPE, kNone));
    EXPECT_EQ(AddressBarText(), currentUrl);
    EXPECT_TRUE(WholeBarSelected());
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_EQ(SendMessageW(hAddressBar, EM_GETMODIFY, 0, 0), 0);

    SetWindowTextW(hAddressBar, L"other");
    SetFocus(window());
    EXPECT_FALSE(LoopTakes(window(), VK_ESCAPE, kNone));
    EXPECT_EQ(AddressBarText(), L"other");
}

TEST_F(ShortcutTest, CtrlASelectsAllOnlyInTheBar) {
    SetWindowTextW(hAddressBar, L"abc");
    SendMessageW(hAddressBar, EM_SETSEL, 1, 1);
    EXPECT_FALSE(LoopTakes(window(), 'A', kCtrl));
    EXPECT_EQ(BarSelection(), std::make_pair(DWORD(1), DWORD(1)));
    EXPECT_TRUE(LoopTakes(hAddressBar, 'A', kCtrl));
    EXPECT_TRUE(WholeBarSelected());
}

// Wherever the keyboard is, the zoom keys step the factor the page shows through the engine's own
// levels, and Ctrl+0 is 100 %: in the page too, where the engine's own Ctrl+0 would go back to the
// factor set last. A zoom the engine reports (the person's Ctrl+wheel) is where the next step starts.
TEST_F(ShortcutTest, ZoomKeysStepTheFactorThePageShowsWhereverTheKeyboardIs) {
    StartEngine();
    const struct {
        HWND target;
        UINT key;
        const wchar_t* call;
    } steps[] = {{hAddressBar, VK_OEM_MINUS, L"put_ZoomFactor 90"}, {hAddressBar, VK_SUBTRACT, L"put_ZoomFactor 80"},
                 {window(), VK_OEM_PLUS, L"put_ZoomFactor 90"},      {hAddressBar, '0', L"put_ZoomFactor 100"},
                 {window(), VK_ADD, L"put_ZoomFactor 110"},          {window(), VK_NUMPAD0, L"put_ZoomFactor 100"}};
    for (const auto& step : steps) {
        const int before = engine_double::CountCalls(L"put_ZoomFactor");
        EXPECT_TRUE(LoopTakes(step.target, step.key, kCtrl)) << step.call;
        EXPECT_EQ(engine_double::CountCalls(L"put_ZoomFactor"), before + 1) << step.call;
        EXPECT_EQ(LastCall(L"put_ZoomFactor"), step.call);
    }
    EXPECT_TRUE(LoopTakes(hAddressBar, VK_OEM_PLUS, kCtrl));
    EXPECT_TRUE(PageKey(true, '0', kCtrl)) << "not the engine's";
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"put_ZoomFactor"), L"put_ZoomFactor 100");
    ASSERT_TRUE(engine_double::RaiseZoomFactorChanged(1.5));
    EXPECT_TRUE(PageKey(true, VK_OEM_PLUS, kCtrl));
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"put_ZoomFactor"), L"put_ZoomFactor 175");
}

TEST(ZoomStepTest, StepsThroughChromiumsLevelsAndStopsAtTheEnds) {
    const struct {
        double from;
        ZoomStep step;
        double to;
    } cases[] = {{1.0, ZoomStep::In, 1.1},   {1.0, ZoomStep::Out, 0.9},  {0.9, ZoomStep::Out, 0.8},
                 {0.5, ZoomStep::Out, 0.33}, {0.33, ZoomStep::In, 0.5},  {0.3333, ZoomStep::Out, 0.33},
                 {0.95, ZoomStep::In, 1.0},  {0.95, ZoomStep::Out, 0.9}, {5.0, ZoomStep::In, 5.0},
                 {0.25, ZoomStep::Out, 0.25}, {9.0, ZoomStep::Out, 5.0}, {0.1, ZoomStep::In, 0.25},
                 {2.5, ZoomStep::Reset, 1.0}, {4.0, ZoomStep::In, 5.0},  {1.75, ZoomStep::Out, 1.5}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(NextZoomFactor(c.from, c.step), c.to) << c.from << " " << static_cast<int>(c.step);
    }
}

TEST_F(ShortcutTest, CtrlWClosesTheWindowAfterTheKey) {
    EXPECT_TRUE(LoopTakes(window(), 'W', kCtrl));
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, window(), WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
    engine_double::PumpMessages();
    EXPECT_FALSE(IsWindow(window()));
}

TEST_F(ShortcutTest, OnlyKeyDownsForTheMainWindowOrTheBarAreLookedAt) {
    StartEngine();
    HWND page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 64, 100, 100, window(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    EXPECT_FALSE(LoopTakes(page, VK_F5, kNone));
    EXPECT_FALSE(LoopTakes(page, 'L', kCtrl));
    EXPECT_FALSE(LoopTakes(hAddressBar, 'X', kNone));
    EXPECT_FALSE(LoopTakes(hAddressBar, VK_RETURN, kNone));
    for (UINT message : {WM_KEYUP, WM_CHAR, WM_SYSKEYUP}) {
        MSG msg = {window(), message, VK_F5, 1, 0, {}};
        EXPECT_FALSE(HandleShortcutMessage(msg)) << message;
    }
    EXPECT_EQ(engine_double::CountCalls(L"Reload"), 0);
    DestroyWindow(page);
}

// The default handling would take Alt released after a swallowed Alt+D for a lone Alt, and open
// the window menu: that release goes no further, wherever the shortcut came from.
TEST_F(ShortcutTest, TheReleaseOfAltAfterAnAltShortcutIsSwallowedOnce) {
    StartEngine();
    const auto altUp = [](HWND target) {
        MSG msg = {target, WM_KEYUP, VK_MENU, static_cast<LPARAM>(0xC0380001u), 0, {}};
        return HandleShortcutMessage(msg);
    };
    const auto altDown = [](HWND target) {
        MSG msg = {target, WM_SYSKEYDOWN, VK_MENU, 0x20380001, 0, {}};
        return HandleShortcutMessage(msg);
    };
    EXPECT_FALSE(altDown(hAddressBar));
    EXPECT_TRUE(LoopTakes(hAddressBar, 'D', kAlt));
    EXPECT_TRUE(altUp(hAddressBar));
    EXPECT_FALSE(altUp(hAddressBar)) << "only once";
    // Alt alone opens the panel by keyboard, as F10 does, instead of the window's unseen menu mode.
    for (HWND target : {window(), hAddressBar}) {
        SetFocus(target);
        EXPECT_FALSE(altDown(target));
        EXPECT_TRUE(altUp(target)) << "a lone Alt opens the panel";
        EXPECT_TRUE(menuOpen);
        EXPECT_EQ(menuFocusItem, 0);
        EXPECT_EQ(GetFocus(), window());
        EXPECT_TRUE(LoopTakes(window(), VK_ESCAPE, kNone));
        EXPECT_EQ(GetFocus(), target);
    }
    // Any other key between the press and the release: Alt+Space (the window menu), Alt+F4, AltGr.
    for (UINT other : {UINT(VK_SPACE), UINT(VK_F4), UINT(VK_CONTROL), UINT(VK_SHIFT)}) {
        EXPECT_FALSE(altDown(window()));
        EXPECT_FALSE(LoopTakes(window(), other, kAlt)) << other;
        EXPECT_FALSE(altUp(window())) << other;
        EXPECT_FALSE(menuOpen) << other;
    }
    // Ctrl, Alt, Ctrl's release, Alt's release: Ctrl+Alt was never a lone Alt.
    {
        HeldModifiers ctrl(kCtrl);
        EXPECT_FALSE(LoopTakes(window(), VK_CONTROL, kCtrl));
        EXPECT_FALSE(altDown(window()));
    }
    EXPECT_FALSE(HandleShortcutMessage(MSG{window(), WM_KEYUP, VK_CONTROL, static_cast<LPARAM>(0xC01D0001u), 0, {}}));
    EXPECT_FALSE(altUp(window()));
    // Nor Alt held through a click on the band itself, away from the buttons and the bar, as the loop gets it.
    EXPECT_FALSE(altDown(window()));
    PostMessageW(window(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(240, 4));
    engine_double::PumpMessages();
    EXPECT_FALSE(altUp(window()));
    EXPECT_FALSE(menuOpen) << "Ctrl+Alt, or Alt+click on the band";
    // Nor is Alt held through a click into the page, of which only the parent is told.
    EXPECT_FALSE(engine_double::RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN, VK_MENU));
    SendMessageW(window(), WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(5, 100));
    EXPECT_FALSE(engine_double::RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP, VK_MENU));
    engine_double::PumpMessages();
    EXPECT_FALSE(menuOpen) << "Alt+click in the page";
    const LRESULT keyMenu = SendMessageW(window(), WM_SYSCOMMAND, SC_KEYMENU, 0);
    EXPECT_EQ(keyMenu, 0) << "no menu mode without a menu to show";
    EXPECT_FALSE(menuOpen);

    // From the page: handled there, or swallowed in the bar when the shortcut moved the focus.
    for (bool focusMoves : {false, true}) {
        EXPECT_FALSE(engine_double::RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN, VK_MENU));
        EXPECT_TRUE(PageKey(true, focusMoves ? 'D' : VK_LEFT, kAlt));
        if (focusMoves) {
            EXPECT_TRUE(altUp(hAddressBar));
        } else {
            EXPECT_TRUE(engine_double::RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP, VK_MENU));
        }
        EXPECT_FALSE(engine_double::RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP, VK_MENU));
    }
    // A lone Alt in the page: its release is handled, and the panel opens once the event returned.
    EXPECT_FALSE(engine_double::RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN, VK_MENU));
    EXPECT_TRUE(engine_double::RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP, VK_MENU));
    EXPECT_FALSE(menuOpen);
    EXPECT_TRUE(PumpUntil([] { return menuOpen && menuFocusItem == 0; }));
}

// Real keys through the window system and the loop's check: the bar's text is replaced by typing,
// and Alt+D neither opens the system menu nor leaves a character behind.
TEST_F(ShortcutTest, RealKeysFocusTheBarAndTypingReplacesTheText) {
    SetForegroundWindow(window());
    // The last: a lone Alt first, which left the window in an unseen menu mode that took Ctrl+L.
    using Chords = std::vector<std::vector<WORD>>;
    for (const Chords& chords : {Chords{{VK_CONTROL, 'L'}}, Chords{{VK_MENU, 'D'}}, Chords{{VK_MENU}, {VK_CONTROL, 'L'}}}) {
        SetFocus(window());
        SetWindowTextW(hAddressBar, L"old text");
        for (const std::vector<WORD>& chord : chords) PressChord(chord);
        PressKey('N');
        PressKey('W');
        ASSERT_TRUE(PumpUntil([] { return AddressBarText() == L"nw"; })) << "after the chord " << chords.back()[0];
    }
}

// The page's keys, as the engine raises them.
class PageKeyTest : public ShortcutTest {
protected:
    void SetUp() override {
        ShortcutTest::SetUp();
        StartEngine();
    }
};

TEST_F(PageKeyTest, TheHandlerIsRegisteredOnTheController) {
    EXPECT_NE(engine_double::EventHandler(L"add_AcceleratorKeyPressed"), nullptr);
    EXPECT_NE(acceleratorHandler.Get(), nullptr);
}

// The engine waits for the event's answer: the command runs after it, from the message loop.
TEST_F(PageKeyTest, EngineShortcutsRunOnceAfterTheEventAndTheirKeysAreHandledDownAndUp) {
    for (const EngineCase& c : kEngineCases) {
        const size_t before = Calls().size();
        EXPECT_TRUE(PageKey(true, c.key, c.modifiers)) << c.call;
        EXPECT_EQ(Calls().size(), before) << "nothing runs inside the event: " << c.call;
        EXPECT_TRUE(PageKey(true, c.key, c.modifiers, true)) << "repeats are handled too: " << c.call;
        engine_double::PumpMessages();
        ASSERT_EQ(Calls().size(), before + 1) << c.call;
        EXPECT_EQ(Calls().back(), c.call);
        EXPECT_TRUE(PageKey(false, c.key, c.modifiers)) << c.call;
        EXPECT_FALSE(PageKey(false, c.key, c.modifiers)) << "only the up of a handled down: " << c.call;
    }
}

TEST_F(PageKeyTest, FocusShortcutsMoveTheKeyboardFromThePageToTheWholeAddress) {
    SetWindowTextW(hAddressBar, L"https://page.example/");
    for (const auto& c : kFocusCases) {
        SetFocus(window());
        EXPECT_TRUE(PageKey(true, c[0], c[1])) << c[0];
        engine_double::PumpMessages();
        EXPECT_EQ(GetFocus(), hAddressBar) << c[0];
        EXPECT_TRUE(WholeBarSelected()) << c[0];
    }
}

// Tab out of the page's last element, or Shift+Tab out of its first: the bar is next either way.
TEST_F(PageKeyTest, TabbingOutOfThePageFocusesTheWholeAddress) {
    EXPECT_NE(moveFocusHandler.Get(), nullptr);
    SetWindowTextW(hAddressBar, L"https://page.example/");
    for (COREWEBVIEW2_MOVE_FOCUS_REASON reason :
         {COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT, COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS}) {
        SetFocus(window());
        SendMessageW(hAddressBar, EM_SETSEL, 3, 3);
        EXPECT_TRUE(engine_double::RaiseMoveFocusRequested(reason)) << reason;
        EXPECT_EQ(GetFocus(), window()) << "the bar takes the focus after the event: " << reason;
        engine_double::PumpMessages();
        EXPECT_EQ(GetFocus(), hAddressBar) << reason;
        EXPECT_TRUE(WholeBarSelected()) << reason;
    }
}

TEST_F(PageKeyTest, EscapeClosesTheOpenMenuAndCtrlWClosesTheWindow) {
    OpenMenuWithBarText(L"typed");
    EXPECT_TRUE(PageKey(true, VK_ESCAPE, kNone));
    engine_double::PumpMessages();
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(AddressBarText(), L"typed");
    EXPECT_TRUE(PageKey(true, 'W', kCtrl));
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"Navigate"), L"Navigate about:blank") << "the page is asked first";
    engine_double::RaiseNavigationStarting(L"about:blank");
    engine_double::RaiseNavigationCompleted(true);
    engine_double::PumpMessages();
    EXPECT_FALSE(IsWindow(window()));
}

// What the keyboard remembers between keys is put back with the rest of the state between tests.
TEST_F(PageKeyTest, TheTestResetForgetsThePendingAltReleaseAndTheHandledKeys) {
    EXPECT_TRUE(PageKey(true, VK_LEFT, kAlt));
    ResetAppStateForTesting();
    const auto release = [](UINT key) {
        return TakeKeyPress(KeyPress{key, false, false, false, false, false, FocusPlace::Page, false});
    };
    EXPECT_FALSE(release(VK_MENU)) << "no Alt release is pending";
    EXPECT_FALSE(release(VK_LEFT)) << "no page key is handled";
}

TEST_F(PageKeyTest, OtherKeysAreLeftToThePage) {
    const int cases[][2] = {{'A', kCtrl}, {'A', kNone}, {VK_ESCAPE, kNone}, {VK_RETURN, kNone}, {VK_TAB, kNone},
                            {'M', kCtrl}, {'C', kCtrl}, {VK_F1, kNone}, {VK_LEFT, kNone}, {'L', kCtrl | kShift}};
    SetWindowTextW(hAddressBar, L"kept");
    const size_t before = Calls().size();
    for (const auto& c : cases) {
        EXPECT_FALSE(PageKey(true, c[0], c[1])) << c[0] << " " << c[1];
        EXPECT_FALSE(PageKey(false, c[0], c[1])) << c[0] << " " << c[1];
    }
    EXPECT_EQ(Calls().size(), before);
    EXPECT_EQ(AddressBarText(), L"kept");
}

}  // namespace
