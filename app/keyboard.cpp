#include "app/keyboard.h"

#include "addressbar/address_bar.h"
#include "app/fullscreen.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "app/window.h"

#include <bitset>

namespace {

constexpr LPARAM kAltDownBit = LPARAM(1) << 29;    // key data: the context code, Alt is held
constexpr LPARAM kWasDownBit = LPARAM(1) << 30;    // key data: the previous state, an auto-repeat
constexpr UINT kKeyCount = 256;

// Keys whose key-down the engine was told we handled; their key-ups are marked handled too.
std::bitset<kKeyCount> handledPageKeys;

// An Alt shortcut ran: the release of Alt that ends it must not reach the default handling, which
// takes an Alt pressed and released with nothing seen in between for a call of the window menu.
bool altReleasePending = false;

bool IsKeyUpMessage(UINT message) { return message == WM_KEYUP || message == WM_SYSKEYUP; }

// A fresh press of Alt starts afresh; true when the message is the release to swallow.
bool TakeAltKey(bool down, bool repeat) {
    if (down) {
        if (!repeat) altReleasePending = false;
        return false;
    }
    const bool swallow = altReleasePending;
    altReleasePending = false;
    return swallow;
}

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
        // The bar is hidden in full screen: the window leaves it first, so that the bar can be seen.
        ApplyFullScreenEvent(hMainWnd, FullScreenEvent::LeaveAll);
        SetFocus(hAddressBar);
        SelectAllOfAddressBar();
        break;
    case Shortcut::RestoreAddressBar:
        if (!hAddressBar) return;
        SetWindowTextW(hAddressBar, currentUrl.c_str());
        SelectAllOfAddressBar();
        EndAddressBarEdit();
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
        // As after a click in the panel that hits no item.
        if (menuOpen) SetMenuPanelOpen(hMainWnd, false);
        break;
    case Shortcut::ToggleFullScreen:
        ApplyFullScreenEvent(hMainWnd, FullScreenEvent::KeyPressed);
        break;
    case Shortcut::None:
        break;
    }
}

// Not translated, a swallowed Alt shortcut makes no WM_SYSCHAR: no beep, no system menu.
bool HandleShortcutMessage(const MSG& msg) {
    if (!msg.hwnd || (msg.hwnd != hMainWnd && msg.hwnd != hAddressBar)) return false;
    const bool keyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    if (msg.wParam == VK_MENU && (keyDown || IsKeyUpMessage(msg.message))) {
        return TakeAltKey(keyDown, (msg.lParam & kWasDownBit) != 0);
    }
    if (!keyDown) return false;
    const KeyPress press = PressOf(static_cast<UINT>(msg.wParam), (msg.lParam & kAltDownBit) != 0,
                                   msg.hwnd == hAddressBar);
    const Shortcut command = ShortcutFor(press);
    if (command == Shortcut::None) return false;
    if (press.alt) altReleasePending = true;
    // A held key runs its command once, at the press; its repeats are swallowed all the same.
    if (!(msg.lParam & kWasDownBit)) RunShortcut(command);
    return true;
}

HRESULT OnAcceleratorKeyPressed(ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
    UINT key = 0;
    if (FAILED(args->get_KeyEventKind(&kind)) || FAILED(args->get_VirtualKey(&key)) || key >= kKeyCount) return S_OK;
    COREWEBVIEW2_PHYSICAL_KEY_STATUS status = {};
    args->get_PhysicalKeyStatus(&status);
    if (key == VK_MENU) {
        if (TakeAltKey(IsKeyDown(kind), status.WasKeyDown != FALSE)) args->put_Handled(TRUE);
        return S_OK;
    }
    if (!IsKeyDown(kind)) {
        if (handledPageKeys.test(key)) {
            handledPageKeys.reset(key);
            args->put_Handled(TRUE);
        }
        return S_OK;
    }
    const KeyPress press = PressOf(key, status.IsMenuKeyDown != FALSE, false);
    const Shortcut command = ShortcutFor(press);
    // Set afresh at every press: the up of a key that moved the focus out of the page never comes.
    handledPageKeys.set(key, command != Shortcut::None);
    if (command == Shortcut::None) return S_OK;
    args->put_Handled(TRUE);
    if (press.alt) altReleasePending = true;
    if (!status.WasKeyDown) RunShortcut(command);
    return S_OK;
}
