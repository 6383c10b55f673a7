#include "app/keyboard.h"

#include "app/commands.h"
#include "app/state.h"

namespace {

constexpr LPARAM kAltDownBit = LPARAM(1) << 29;  // key data: the context code, Alt is held
constexpr LPARAM kWasDownBit = LPARAM(1) << 30;  // key data: the previous state, an auto-repeat

KeyFlags keyFlags;

bool Held(int key) { return GetKeyState(key) < 0; }

KeyPress PressOf(UINT key, bool down, bool repeat, bool altDown, FocusPlace focus) {
    return KeyPress{key,   down,     repeat,        Held(VK_CONTROL), altDown || Held(VK_MENU), Held(VK_SHIFT),
                    focus, menuOpen, menuFocusItem >= 0};
}

// A key message of the loop for the main window or the address bar; false for any other message.
bool DecodeKeyMessage(const MSG& msg, KeyPress* press) {
    if (!msg.hwnd || (msg.hwnd != hMainWnd && msg.hwnd != hAddressBar)) return false;
    const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    if (!down && msg.message != WM_KEYUP && msg.message != WM_SYSKEYUP) return false;
    *press = PressOf(static_cast<UINT>(msg.wParam), down, (msg.lParam & kWasDownBit) != 0,
                     (msg.lParam & kAltDownBit) != 0,
                     msg.hwnd == hAddressBar ? FocusPlace::AddressBar : FocusPlace::MainWindow);
    return true;
}

}  // namespace

bool IsButtonPress(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_XBUTTONDOWN:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN: case WM_NCXBUTTONDOWN:
        return true;
    }
    return false;
}

bool TakeKeyPress(const KeyPress& press) {
    const KeyDecision decision = DecideKey(press, keyFlags);
    if (decision.action == KeyAction::Run) {
        // The engine waits for the answer of its key event: a key from the page runs its command
        // once that answer is given.
        if (press.focus == FocusPlace::Page) {
            PostCommand(hMainWnd, decision.command);
        } else {
            RunCommand(hMainWnd, decision.command);
        }
    }
    return decision.action != KeyAction::LetThrough;
}

// Not translated, a swallowed Alt shortcut makes no WM_SYSCHAR: no beep, no system menu.
bool HandleShortcutMessage(const MSG& msg) {
    if (IsButtonPress(msg.message)) NoteButtonPress();
    KeyPress press;
    return DecodeKeyMessage(msg, &press) && TakeKeyPress(press);
}

bool TakePageKey(UINT key, bool down, bool wasDown, bool altDown) {
    return TakeKeyPress(PressOf(key, down, wasDown, altDown, FocusPlace::Page));
}

void NoteButtonPress() { keyFlags.altAlone = false; }

void ResetKeyboardForTesting() { keyFlags = KeyFlags{}; }
