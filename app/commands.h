// The browser's commands: what a toolbar button, a shortcut or any other way of asking runs.
#pragma once

#include <windows.h>

enum class Command {
    None,
    Back,
    Forward,
    Reload,
    Home,
    Close,
    MaximizeRestore,
    Minimize,
    Menu,               // opens or closes the menu panel
    FocusAddressBar,
    RestoreAddressBar,  // puts the current address back into the bar
    SelectAllInBar,
    CloseMenu,
    ToggleFullScreen,   // F11: the page alone on the whole screen, and back
};

// Whether the command ends the person's edit of the address bar.
bool EndsAddressBarEdit(Command command);

// Runs the command for the main window hwnd; Command::None does nothing.
void RunCommand(HWND hwnd, Command command);
