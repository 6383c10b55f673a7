#include "app/shortcuts.h"

namespace {

enum Modifiers { kPlain = 0, kCtrl = 1, kAlt = 2 };

struct Binding {
    UINT key;
    int modifiers;
    Shortcut command;
};

// Shortcuts that mean the same wherever the focus is.
constexpr Binding kBindings[] = {
    {'L', kCtrl, Shortcut::FocusAddressBar},
    {'D', kAlt, Shortcut::FocusAddressBar},
    {VK_F6, kPlain, Shortcut::FocusAddressBar},
    {VK_F5, kPlain, Shortcut::Reload},
    {'R', kCtrl, Shortcut::Reload},
    {VK_LEFT, kAlt, Shortcut::Back},
    {VK_BROWSER_BACK, kPlain, Shortcut::Back},
    {VK_RIGHT, kAlt, Shortcut::Forward},
    {VK_BROWSER_FORWARD, kPlain, Shortcut::Forward},
    {VK_HOME, kAlt, Shortcut::Home},
    {VK_BROWSER_HOME, kPlain, Shortcut::Home},
    {'W', kCtrl, Shortcut::CloseWindow},
};

struct AppCommandBinding {
    int appCommand;
    Shortcut command;
};

constexpr AppCommandBinding kAppCommandBindings[] = {
    {APPCOMMAND_BROWSER_BACKWARD, Shortcut::Back},
    {APPCOMMAND_BROWSER_FORWARD, Shortcut::Forward},
    {APPCOMMAND_BROWSER_REFRESH, Shortcut::Reload},
    {APPCOMMAND_BROWSER_HOME, Shortcut::Home},
};

}  // namespace

Shortcut ShortcutFor(const KeyPress& press) {
    const int modifiers = (press.ctrl ? kCtrl : 0) | (press.alt ? kAlt : 0);
    // From the bar the focus goes on into the page, as Tab goes on to a window's next control.
    if (press.key == VK_TAB && modifiers == kPlain) {
        if (!press.inAddressBar) return Shortcut::None;
        return press.shift ? Shortcut::TabBackIntoPage : Shortcut::TabIntoPage;
    }
    if (press.shift) return Shortcut::None;
    if (press.key == VK_F6 && modifiers == kPlain && press.inAddressBar) return Shortcut::FocusPage;
    if (press.key == VK_ESCAPE && modifiers == kPlain) {
        // An open panel is closed first; the bar keeps its edit until the next Escape.
        if (press.menuIsOpen) return Shortcut::CloseMenu;
        if (press.inAddressBar) return Shortcut::RestoreAddressBar;
        return Shortcut::None;
    }
    if (press.key == 'A' && modifiers == kCtrl) {
        return press.inAddressBar ? Shortcut::SelectAllInBar : Shortcut::None;
    }
    for (const Binding& binding : kBindings) {
        if (binding.key == press.key && binding.modifiers == modifiers) return binding.command;
    }
    return Shortcut::None;
}

Shortcut ShortcutForAppCommand(int appCommand) {
    for (const AppCommandBinding& binding : kAppCommandBindings) {
        if (binding.appCommand == appCommand) return binding.command;
    }
    return Shortcut::None;
}
