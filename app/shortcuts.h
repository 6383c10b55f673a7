// The browser's keyboard shortcuts: which key press means which command, and what becomes of every
// key press. Pure: the caller says which modifiers are held and where the focus is.
#pragma once

#include "app/commands.h"
#include "app/focus.h"

#include <windows.h>

#include <bitset>
#include <string>

// One key message, from the message loop or from the engine's accelerator-key event.
struct KeyPress {
    UINT key;     // virtual-key code
    bool down;    // false for the key's release
    bool repeat;  // an auto-repeat of a key already down
    bool ctrl;
    bool alt;
    bool shift;
    FocusPlace focus;  // the main window, the address bar or the page
    bool menuIsOpen;
    bool menuHasKeyboard = false;  // the panel was opened by keyboard and has an item focused
};

// The command a key-down runs, or Command::None for a key that keeps its ordinary meaning.
// Modifiers must match exactly, so that Ctrl+Alt (AltGr) and Shift combinations stay the page's.
Command ShortcutFor(const KeyPress& press);

// The command of an application command (APPCOMMAND_*: the mouse's back and forward buttons, the
// keyboard's browser keys), or Command::None for one the browser leaves to the system.
Command CommandForAppCommand(int appCommand);
// The first key of the table that runs the command, written as people read it ("Alt+←", "F5");
// empty when no key runs it.
std::wstring ShortcutKeyText(Command command);

inline constexpr UINT kKeyCount = 256;

// What the keyboard remembers from one key press to the next.
struct KeyFlags {
    // Keys whose key-down in the page was taken; their key-ups are taken too.
    std::bitset<kKeyCount> handledPageKeys;
    // An Alt shortcut ran: the release of Alt that ends it must not reach the default handling,
    // which takes an Alt pressed and released with nothing seen in between for a call of the
    // window menu.
    bool altReleasePending = false;
    // Alt is down and no other key went down since: its release opens the panel.
    bool altAlone = false;
};

enum class KeyAction {
    LetThrough,  // the key keeps its ordinary meaning
    Swallow,     // the key goes no further and runs nothing
    Run,         // the key goes no further and runs the command
};

struct KeyDecision {
    KeyAction action;
    Command command;  // Command::None unless the action is Run
};

// What becomes of the key press, given and updating what the keyboard remembers.
KeyDecision DecideKey(const KeyPress& press, KeyFlags& flags);
