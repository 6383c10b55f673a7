#include "app/shortcuts.h"

namespace {

enum Modifiers { kPlain = 0, kCtrl = 1, kAlt = 2 };

struct Binding {
    UINT key;
    int modifiers;
    Command command;
};

// Shortcuts that mean the same wherever the focus is.
constexpr Binding kBindings[] = {
    {'L', kCtrl, Command::FocusAddressBar},
    {'D', kAlt, Command::FocusAddressBar},
    {VK_F6, kPlain, Command::FocusAddressBar},
    {VK_F5, kPlain, Command::Reload},
    {'R', kCtrl, Command::Reload},
    {VK_LEFT, kAlt, Command::Back},
    {VK_BROWSER_BACK, kPlain, Command::Back},
    {VK_RIGHT, kAlt, Command::Forward},
    {VK_BROWSER_FORWARD, kPlain, Command::Forward},
    {VK_HOME, kAlt, Command::Home},
    {VK_BROWSER_HOME, kPlain, Command::Home},
    {'W', kCtrl, Command::Close},
    {VK_F11, kPlain, Command::ToggleFullScreen},
    {VK_F10, kPlain, Command::MenuByKeyboard},
    {'F', kAlt, Command::MenuByKeyboard},
};

// The zoom keys (the main row's and the keypad's), taken in the page too, so that they mean the same
// wherever the keyboard is: the engine's own Ctrl+0 would go back to the factor Trov set last, not
// to 100 %. Shift may be held, as it is for "+" on many layouts.
constexpr Binding kZoomBindings[] = {
    {VK_OEM_PLUS, kCtrl, Command::ZoomIn},   {VK_ADD, kCtrl, Command::ZoomIn},
    {VK_OEM_MINUS, kCtrl, Command::ZoomOut}, {VK_SUBTRACT, kCtrl, Command::ZoomOut},
    {'0', kCtrl, Command::ZoomReset},        {VK_NUMPAD0, kCtrl, Command::ZoomReset},
};

// The keys of a panel opened by keyboard, while the main window has the keyboard.
struct PanelKey {
    UINT key;
    Command command;
};

constexpr PanelKey kPanelKeys[] = {
    {VK_LEFT, Command::MenuItemLeft}, {VK_RIGHT, Command::MenuItemRight}, {VK_UP, Command::MenuItemUp},
    {VK_DOWN, Command::MenuItemDown}, {VK_RETURN, Command::ChooseMenuItem}, {VK_SPACE, Command::ChooseMenuItem},
    {VK_HOME, Command::MenuItemFirst}, {VK_END, Command::MenuItemLast},
};

struct AppCommandBinding {
    int appCommand;
    Command command;
};

constexpr AppCommandBinding kAppCommandBindings[] = {
    {APPCOMMAND_BROWSER_BACKWARD, Command::Back},
    {APPCOMMAND_BROWSER_FORWARD, Command::Forward},
    {APPCOMMAND_BROWSER_REFRESH, Command::Reload},
    {APPCOMMAND_BROWSER_HOME, Command::Home},
};

constexpr KeyDecision kLetThrough = {KeyAction::LetThrough, Command::None};
constexpr KeyDecision kSwallow = {KeyAction::Swallow, Command::None};

// A fresh press of Alt starts afresh; its release is swallowed once after an Alt shortcut. Alt
// pressed and released with no other key between opens the panel, as F10 does, instead of the
// default handling's menu mode, which shows nothing and swallows the next shortcut.
KeyDecision DecideAltKey(const KeyPress& press, KeyFlags& flags) {
    const bool modified = press.ctrl || press.shift;  // AltGr, or a layout switch
    if (press.down) {
        if (!press.repeat) {
            flags.altReleasePending = false;
            flags.altAlone = !modified;
        }
        return kLetThrough;
    }
    const bool swallow = flags.altReleasePending;
    const bool alone = flags.altAlone && !modified;
    flags.altReleasePending = false;
    flags.altAlone = false;
    if (alone) return KeyDecision{KeyAction::Run, Command::MenuByKeyboard};
    return swallow ? kSwallow : kLetThrough;
}

Command ZoomShortcutFor(const KeyPress& press, int modifiers) {
    for (const Binding& binding : kZoomBindings) {
        if (binding.key == press.key && binding.modifiers == modifiers) return binding.command;
    }
    return Command::None;
}

std::wstring KeyName(UINT key) {
    if (key == VK_LEFT) return L"\u2190";
    if (key == VK_RIGHT) return L"\u2192";
    if (key == VK_HOME) return L"Home";
    if (key >= VK_F1 && key <= VK_F24) {
        // Written out by hand: std::to_wstring would link in a wide printf of 10 KB.
        const UINT number = key - VK_F1 + 1;
        std::wstring name = L"F";
        if (number >= 10) name += static_cast<wchar_t>(L'0' + number / 10);
        return name + static_cast<wchar_t>(L'0' + number % 10);
    }
    return std::wstring(1, static_cast<wchar_t>(key));  // letters and digits are their own codes
}

}  // namespace

std::wstring ShortcutKeyText(Command command) {
    for (const Binding& binding : kBindings) {
        if (binding.command != command) continue;
        std::wstring text;
        if (binding.modifiers & kCtrl) text += L"Ctrl+";
        if (binding.modifiers & kAlt) text += L"Alt+";
        return text + KeyName(binding.key);
    }
    return std::wstring();
}

Command ShortcutFor(const KeyPress& press) {
    const bool inAddressBar = press.focus == FocusPlace::AddressBar;
    const int modifiers = (press.ctrl ? kCtrl : 0) | (press.alt ? kAlt : 0);
    const bool inPanel = press.menuIsOpen && press.menuHasKeyboard && press.focus == FocusPlace::MainWindow &&
                         modifiers == kPlain;
    // In the panel Tab and Shift+Tab go through the items in reading order, as the arrows do.
    if (inPanel && press.key == VK_TAB) return press.shift ? Command::MenuItemLeft : Command::MenuItemRight;
    // From the bar the focus goes on into the page, as Tab goes on to a window's next control.
    if (press.key == VK_TAB && modifiers == kPlain) {
        if (!inAddressBar) return Command::None;
        return press.shift ? Command::TabBackIntoPage : Command::TabIntoPage;
    }
    const Command zoom = ZoomShortcutFor(press, modifiers);
    if (zoom != Command::None) return zoom;
    if (press.shift) return Command::None;
    if (inPanel) {
        for (const PanelKey& panelKey : kPanelKeys) {
            if (panelKey.key == press.key) return panelKey.command;
        }
    }
    if (press.key == VK_F6 && modifiers == kPlain && inAddressBar) return Command::FocusPage;
    if (press.key == VK_ESCAPE && modifiers == kPlain) {
        // An open panel is closed first; the bar keeps its edit until the next Escape.
        if (press.menuIsOpen) return Command::CloseMenu;
        if (inAddressBar) return Command::RestoreAddressBar;
        return Command::None;
    }
    if (press.key == 'A' && modifiers == kCtrl) {
        return inAddressBar ? Command::SelectAllInBar : Command::None;
    }
    for (const Binding& binding : kBindings) {
        if (binding.key == press.key && binding.modifiers == modifiers) return binding.command;
    }
    return Command::None;
}

Command CommandForAppCommand(int appCommand) {
    for (const AppCommandBinding& binding : kAppCommandBindings) {
        if (binding.appCommand == appCommand) return binding.command;
    }
    return Command::None;
}

KeyDecision DecideKey(const KeyPress& press, KeyFlags& flags) {
    if (press.key >= kKeyCount) return kLetThrough;
    if (press.key == VK_MENU) return DecideAltKey(press, flags);
    if (press.down) flags.altAlone = false;  // Alt is no longer alone
    const bool fromPage = press.focus == FocusPlace::Page;
    if (!press.down) {
        if (!fromPage || !flags.handledPageKeys.test(press.key)) return kLetThrough;
        flags.handledPageKeys.reset(press.key);
        return kSwallow;
    }
    const Command command = ShortcutFor(press);
    // Set afresh at every press: the up of a key that moved the focus out of the page never comes.
    if (fromPage) flags.handledPageKeys.set(press.key, command != Command::None);
    if (command == Command::None) return kLetThrough;
    if (press.alt) flags.altReleasePending = true;
    // A held key runs its command once, at the press; its repeats are swallowed all the same.
    if (press.repeat) return kSwallow;
    return KeyDecision{KeyAction::Run, command};
}
