#include "app/keyboard.h"

#include "app/state.h"
#include "app/toolbar.h"

#include <bitset>

namespace {

constexpr LPARAM kAltDownBit = LPARAM(1) << 29;    // key data: the context code, Alt is held
constexpr LPARAM kWasDownBit = LPARAM(1) << 30;    // key data: the previous state, an auto-repeat
constexpr UINT kKeyCount = 256;

// Keys whose key-down the engine was told we handled; their key-ups are marked handled too.
std::bitset<kKeyCount> handledPageKeys;

bool Held(int key) { return GetKeyState(key) < 0; }

KeyPress PressOf(UINT key, bool altDown, bool inAddressBar) {
    return KeyPress{key, Held(VK_CONTROL), altDown || Held(VK_MENU), Held(VK_SHIFT), inAddressBar, menuOpen};
}

void SelectAllOfAddressBar() { SendMessageW(hAddressBar, EM_SETSEL, 0, -1); }

bool IsKeyDown(COREWEBVIEW2_KEY_EVENT_KIND kind) {
    return kind == COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN || kind == COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
}

}  // namespace

void RunShortcut(Shortcut command) {
    switch (command) {
    case Shortcut::FocusAddressBar:
        if (!hAddressBar) return;
        SetFocus(hAddressBar);
        SelectAllOfAddressBar();
        break;
    case Shortcut::RestoreAddressBar:
        if (!hAddressBar) return;
        SetWindowTextW(hAddressBar, currentUrl.c_str());
        SelectAllOfAddressBar();
        SendMessageW(hAddressBar, EM_SETMODIFY, FALSE, 0);  // the person's edit is over
        break;
    case Shortcut::SelectAllInBar:
        if (hAddressBar) SelectAllOfAddressBar();
        break;
    case Shortcut::Reload:
        RunSlotAction(hMainWnd, kSlotRefresh);
        break;
    case Shortcut::Back:
        RunSlotAction(hMainWnd, kSlotBack);
        break;
    case Shortcut::Forward:
        RunSlotAction(hMainWnd, kSlotForward);
        break;
    case Shortcut::Home:
        RunSlotAction(hMainWnd, kSlotHome);
        break;
    case Shortcut::CloseWindow:
        RunSlotAction(hMainWnd, kSlotClose);
        break;
    case Shortcut::CloseMenu:
        // The menu button's toggle, from open: the panel closes as after a click that hits no item.
        if (menuOpen) RunSlotAction(hMainWnd, kSlotMenu);
        break;
    case Shortcut::None:
        break;
    }
}

// Not translated, a swallowed Alt shortcut makes no WM_SYSCHAR: no beep, no system menu.
bool HandleShortcutMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (!msg.hwnd || (msg.hwnd != hMainWnd && msg.hwnd != hAddressBar)) return false;
    const KeyPress press = PressOf(static_cast<UINT>(msg.wParam), (msg.lParam & kAltDownBit) != 0,
                                   msg.hwnd == hAddressBar);
    const Shortcut command = ShortcutFor(press);
    if (command == Shortcut::None) return false;
    // A held key runs its command once, at the press; its repeats are swallowed all the same.
    if (!(msg.lParam & kWasDownBit)) RunShortcut(command);
    return true;
}

HRESULT OnAcceleratorKeyPressed(ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
    UINT key = 0;
    if (FAILED(args->get_KeyEventKind(&kind)) || FAILED(args->get_VirtualKey(&key)) || key >= kKeyCount) return S_OK;
    if (!IsKeyDown(kind)) {
        if (handledPageKeys.test(key)) {
            handledPageKeys.reset(key);
            args->put_Handled(TRUE);
        }
        return S_OK;
    }
    COREWEBVIEW2_PHYSICAL_KEY_STATUS status = {};
    args->get_PhysicalKeyStatus(&status);
    const Shortcut command = ShortcutFor(PressOf(key, status.IsMenuKeyDown != FALSE, false));
    // Set afresh at every press: the up of a key that moved the focus out of the page never comes.
    handledPageKeys.set(key, command != Shortcut::None);
    if (command == Shortcut::None) return S_OK;
    args->put_Handled(TRUE);
    if (!status.WasKeyDown) RunShortcut(command);
    return S_OK;
}
