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
    {VK_F11, kPlain, Shortcut::ToggleFullScreen},
};

}  // namespace

Shortcut ShortcutFor(const KeyPress& press) {
    if (press.shift) return Shortcut::None;
    const int modifiers = (press.ctrl ? kCtrl : 0) | (press.alt ? kAlt : 0);
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
