// The browser's keyboard shortcuts: which key press means which command. Pure: the caller says
// which modifiers are held and where the focus is.
#pragma once

#include <windows.h>

enum class Shortcut {
    None,
    FocusAddressBar,    // Ctrl+L, Alt+D, F6
    RestoreAddressBar,  // Escape in the address bar
    SelectAllInBar,     // Ctrl+A in the address bar
    Reload,             // F5, Ctrl+R
    Back,               // Alt+Left, Browser Back
    Forward,            // Alt+Right, Browser Forward
    Home,               // Alt+Home, Browser Home
    CloseWindow,        // Ctrl+W
    CloseMenu,          // Escape while the menu panel is open
    ToggleFullScreen,   // F11
};

struct KeyPress {
    UINT key;  // virtual-key code
    bool ctrl;
    bool alt;
    bool shift;
    bool inAddressBar;  // the address bar has the keyboard focus
    bool menuIsOpen;
};

// The command a key press runs, or Shortcut::None for a key that keeps its ordinary meaning.
// Modifiers must match exactly, so that Ctrl+Alt (AltGr) and Shift combinations stay the page's.
Shortcut ShortcutFor(const KeyPress& press);
