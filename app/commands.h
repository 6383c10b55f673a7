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
    FocusPage,        // where the page's focus was
    TabIntoPage,      // the page's first element
    TabBackIntoPage,  // the page's last element
    RestoreAddressBar,  // puts the current address back into the bar
    SelectAllInBar,
    CloseMenu,
    ToggleFullScreen,   // F11: the page alone on the whole screen, and back
    MenuByKeyboard,     // opens the panel with the keyboard on its first item, or closes it
    MenuItemLeft,       // the arrows move the panel's keyboard focus
    MenuItemRight,
    MenuItemUp,
    MenuItemDown,
    MenuItemFirst,      // Home and End in the panel
    MenuItemLast,
    ChooseMenuItem,     // the item with the keyboard focus, as if clicked
    ZoomIn,             // the page one of the engine's zoom steps larger, smaller, or back to 100 %
    ZoomOut,
    ZoomReset,
    AddBookmark,        // the menu panel's items: each says so in a message box
    ShowDownloads,
    ShowHistory,
    ShowAbout,          // the version box
};

// Whether the command ends the person's edit of the address bar.
bool EndsAddressBarEdit(Command command);

// Runs the command for the main window hwnd; Command::None does nothing.
void RunCommand(HWND hwnd, Command command);

// Runs the command later, from the main window's queue: for a command asked for from inside an
// engine event or a screen reader's call, which must return first. False if it cannot be posted.
bool PostCommand(HWND hwnd, Command command);
