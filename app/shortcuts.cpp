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
};

constexpr KeyDecision kLetThrough = {KeyAction::LetThrough, Command::None};
constexpr KeyDecision kSwallow = {KeyAction::Swallow, Command::None};

// A fresh press of Alt starts afresh; its release is swallowed once after an Alt shortcut.
KeyDecision DecideAltKey(const KeyPress& press, KeyFlags& flags) {
    if (press.down) {
        if (!press.repeat) flags.altReleasePending = false;
        return kLetThrough;
    }
    const bool swallow = flags.altReleasePending;
    flags.altReleasePending = false;
    return swallow ? kSwallow : kLetThrough;
}

}  // namespace

Command ShortcutFor(const KeyPress& press) {
    if (press.shift) return Command::None;
    const bool inAddressBar = press.focus == FocusPlace::AddressBar;
    const int modifiers = (press.ctrl ? kCtrl : 0) | (press.alt ? kAlt : 0);
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

KeyDecision DecideKey(const KeyPress& press, KeyFlags& flags) {
    if (press.key >= kKeyCount) return kLetThrough;
    if (press.key == VK_MENU) return DecideAltKey(press, flags);
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
