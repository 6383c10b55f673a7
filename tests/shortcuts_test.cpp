#include "app/shortcuts.h"

#include "addressbar/address_bar.h"
#include "app/commands.h"
#include "app/focus.h"
#include "app/fullscreen.h"
#include "app/keyboard.h"
#include "app/messages.h"
#include "app/state.h"
#include "browser_window.h"
#include "webhost/zoom.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using engine_double::Calls;
using engine_double::LastCall;

enum Modifier { kNone = 0, kCtrl = 1, kAlt = 2, kShift = 4 };

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

// Holds the modifiers in the thread's key state, as they are while a real key message is handled.
class HeldModifiers {
public:
    explicit HeldModifiers(int modifiers) {
        GetKeyboardState(saved_);
        BYTE state[256];
        GetKeyboardState(state);
        const auto hold = [&state](bool held, std::initializer_list<int> keys) {
            for (int key : keys) state[key] = held ? 0x80 : 0;
        };
        hold(modifiers & kCtrl, {VK_CONTROL, VK_LCONTROL});
        hold(modifiers & kAlt, {VK_MENU, VK_LMENU});
        hold(modifiers & kShift, {VK_SHIFT, VK_LSHIFT});
        SetKeyboardState(state);
    }
    ~HeldModifiers() { SetKeyboardState(saved_); }

private:
    BYTE saved_[256];
};

// A key-down as the message loop gets it: Alt makes it a system key with the context bit set.
bool LoopTakes(HWND target, UINT key, int modifiers, bool repeat = false) {
    HeldModifiers held(modifiers);
    MSG msg = {};
    msg.hwnd = target;
    msg.message = (modifiers & kAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = 1 | ((modifiers & kAlt) ? LPARAM(1) << 29 : 0) | (repeat ? LPARAM(1) << 30 : 0);
    return HandleShortcutMessage(msg);
}

// A key in the page, as the engine reports it; true when the program marked it handled.
bool PageKey(bool down, UINT key, int modifiers, bool repeat = false) {
    HeldModifiers held(modifiers);
    const bool system = (modifiers & kAlt) != 0;
    const COREWEBVIEW2_KEY_EVENT_KIND kind =
        down ? (system ? COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN : COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN)
             : (system ? COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP : COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP);
    return engine_double::RaiseAcceleratorKey(kind, key, repeat, system);
}

std::pair<DWORD, DWORD> BarSelection() {
    DWORD start = 0, end = 0;
    SendMessageW(hAddressBar, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

bool WholeBarSelected() { return BarSelection() == std::make_pair(DWORD(0), DWORD(AddressBarText().size())); }

// The shortcuts that act on the web view, with the one engine call each makes.
struct EngineCase {
    UINT key;
    int modifiers;
    const wchar_t* call;
};
const EngineCase kEngineCases[] = {
    {VK_F5, kNone, L"Reload"},
    {'R', kCtrl, L"Reload"},
    {VK_LEFT, kAlt, L"GoBack"},
    {VK_BROWSER_BACK, kNone, L"GoBack"},
    {VK_RIGHT, kAlt, L"GoForward"},
    {VK_BROWSER_FORWARD, kNone, L"GoForward"},
    {VK_HOME, kAlt, L"Navigate https://duckduckgo.com/"},
    {VK_BROWSER_HOME, kNone, L"Navigate https://duckduckgo.com/"},
};
const int kFocusCases[][2] = {{'L', kCtrl}, {'D', kAlt}, {VK_F6, kNone}};

class ShortcutTest : public BrowserWindowTest {
protected:
    void OpenMenuWithBarText(const wchar_t* text) {
        Click(window(), ClientWidth() - 192, 30);  // the menu button; the focus stays where it was
        ASSERT_TRUE(menuOpen);
        SetWindowTextW(hAddressBar, text);
        ResetMessageCounts();
    }
};

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

// Outside the page the zoom keys step the controller's factor through the engine's own levels; in
// the page they are the engine's, which zooms by itself.
TEST_F(ShortcutTest, ZoomKeysOutsideThePageStepTheEnginesFactorAndThePageKeepsItsOwn) {
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
    EXPECT_FALSE(PageKey(true, VK_OEM_MINUS, kCtrl)) << "the page zooms itself";
    engine_double::PumpMessages();
    EXPECT_EQ(LastCall(L"put_ZoomFactor"), L"put_ZoomFactor 100");
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

TEST_F(ShortcutTest, EscapeClosesTheOpenMenuFirstAndTheBarKeepsItsEditUntilTheNext) {
    StartEngine();
    OpenMenuWithBarText(L"typed");
    EXPECT_TRUE(LoopTakes(hAddressBar, VK_ESCAPE, kNone));
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(GetFocus(), window()) << "where it was before the click";
    EXPECT_EQ(LastCall(L"put_Bounds"), BoundsCall(window(), 64));
    EXPECT_TRUE(PumpUntil([this] { return erases() > 0; }));
    EXPECT_EQ(AddressBarText(), L"typed");
    EXPECT_TRUE(LoopTakes(hAddressBar, VK_ESCAPE, kNone));
    EXPECT_EQ(AddressBarText(), currentUrl);

    OpenMenuWithBarText(L"typed");
    SetFocus(window());
    EXPECT_TRUE(LoopTakes(window(), VK_ESCAPE, kNone));
    EXPECT_FALSE(menuOpen);
}

// F10 or Alt+F opens the panel with the keyboard on its first item: the arrows move it, Enter
// chooses it as a click does, and closing gives the focus back to where it was (the page, the bar).
TEST_F(ShortcutTest, TheMenuPanelByKeyboard) {
    MessageBoxCatcher catcher;
    StartEngine();
    ASSERT_TRUE(engine_double::RaiseFocusChanged(true));  // the page has the keyboard
    EXPECT_TRUE(PageKey(true, VK_F10, kNone));
    ASSERT_TRUE(PumpUntil([] { return menuOpen; }));
    EXPECT_EQ(GetFocus(), window());
    ASSERT_TRUE(engine_double::RaiseFocusChanged(false));  // as the engine says when the window takes it
    EXPECT_EQ(menuFocusItem, 0);
    // Down then Up comes back to the item the vertical moves started from; Home, End and Tab.
    const struct {
        UINT key;
        int modifiers;
        int item;
    } moves[] = {{VK_DOWN, kNone, 3},  {VK_UP, kNone, 0},    {VK_UP, kNone, 3},    {VK_DOWN, kNone, 0},
                 {VK_RIGHT, kNone, 1}, {VK_DOWN, kNone, 3},  {VK_RIGHT, kNone, 0}, {VK_LEFT, kNone, 3},
                 {VK_UP, kNone, 1},    {VK_END, kNone, 3},   {VK_HOME, kNone, 0},  {VK_TAB, kShift, 3},
                 {VK_TAB, kNone, 0},   {VK_TAB, kNone, 1},   {VK_DOWN, kNone, 3},  {VK_UP, kNone, 1}};
    for (const auto& move : moves) {
        EXPECT_TRUE(LoopTakes(window(), move.key, move.modifiers));
        EXPECT_EQ(menuFocusItem, move.item) << move.key << " " << move.modifiers;
    }
    const int pageMoves = engine_double::CountCalls(L"MoveFocus");
    EXPECT_TRUE(LoopTakes(window(), VK_RETURN, kNone));
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, L"下载管理功能开发中");
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(menuFocusItem, -1);
    EXPECT_EQ(engine_double::CountCalls(L"MoveFocus"), pageMoves + 1);

    SetFocus(hAddressBar);
    EXPECT_TRUE(LoopTakes(hAddressBar, 'F', kAlt));
    EXPECT_TRUE(menuOpen);
    EXPECT_EQ(GetFocus(), window());
    EXPECT_FALSE(LoopTakes(hAddressBar, VK_RIGHT, kNone)) << "in the bar the arrows stay the bar's";
    EXPECT_FALSE(LoopTakes(window(), VK_RIGHT, kCtrl));
    EXPECT_EQ(menuFocusItem, 0);
    SetFocus(hAddressBar);  // a click into the bar takes the keyboard, and the rectangle, from the items
    EXPECT_EQ(menuFocusItem, -1);
    SetFocus(window());
    EXPECT_TRUE(LoopTakes(window(), VK_ESCAPE, kNone));
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(GetFocus(), hAddressBar);
    EXPECT_EQ(catcher.total(), 1);

    // The first item is chosen as any other.
    EXPECT_TRUE(LoopTakes(hAddressBar, VK_F10, kNone));
    EXPECT_TRUE(LoopTakes(window(), VK_RETURN, kNone));
    ASSERT_EQ(catcher.total(), 2);
    EXPECT_EQ(catcher.boxes().back().text, L"添加书签功能开发中");
    EXPECT_FALSE(menuOpen);
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
    EXPECT_NE(engine_double::AcceleratorKeyHandler(), nullptr);
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
