// Keys as the message loop and the engine hand them to the browser, and the window the tests press
// them in.
#pragma once

#include "app/keyboard.h"
#include "app/state.h"
#include "browser_window.h"

#include <string>
#include <utility>

enum Modifier { kNone = 0, kCtrl = 1, kAlt = 2, kShift = 4 };

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
inline bool LoopTakes(HWND target, UINT key, int modifiers, bool repeat = false) {
    HeldModifiers held(modifiers);
    MSG msg = {};
    msg.hwnd = target;
    msg.message = (modifiers & kAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = 1 | ((modifiers & kAlt) ? LPARAM(1) << 29 : 0) | (repeat ? LPARAM(1) << 30 : 0);
    return HandleShortcutMessage(msg);
}

// A key in the page, as the engine reports it; true when the program marked it handled.
inline bool PageKey(bool down, UINT key, int modifiers, bool repeat = false) {
    HeldModifiers held(modifiers);
    const bool system = (modifiers & kAlt) != 0;
    const COREWEBVIEW2_KEY_EVENT_KIND kind =
        down ? (system ? COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN : COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN)
             : (system ? COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP : COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP);
    return engine_double::RaiseAcceleratorKey(kind, key, repeat, system);
}

inline std::pair<DWORD, DWORD> BarSelection() {
    DWORD start = 0, end = 0;
    SendMessageW(hAddressBar, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

inline bool WholeBarSelected() { return BarSelection() == std::make_pair(DWORD(0), DWORD(AddressBarText().size())); }

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
