// The keyboard shortcuts at work: keys for the main window and the address bar are taken in the
// message loop; the page's keys come from the engine's accelerator-key event. Both go one way.
#pragma once

#include "app/shortcuts.h"

#include <windows.h>

// The one way a key press takes effect: runs its command, if it has one, and returns true when the
// key is the program's (run or swallowed) and must go no further.
bool TakeKeyPress(const KeyPress& press);

// Called by the message loop before TranslateMessage: true when the message was a shortcut key
// for the main window or the address bar, which must then be neither translated nor dispatched.
bool HandleShortcutMessage(const MSG& msg);

// A key in the page, as the engine's accelerator-key event reports it: true when it is a shortcut,
// which the engine is then told is handled, so that the page does not act on it as well. Its
// command runs once the event has been answered.
bool TakePageKey(UINT key, bool down, bool wasDown, bool altDown);

// A mouse button's press, in a client area or on a frame; also the events a child reports with
// WM_PARENTNOTIFY.
bool IsButtonPress(UINT message);

// A mouse button pressed anywhere in the window: Alt held through a click (Alt+click, Alt+drag)
// is no lone Alt, and its release opens nothing. The loop sees the presses in this program's own
// windows; a click into the page reaches the main window as WM_PARENTNOTIFY.
void NoteButtonPress();

// Tests only: forgets the pending Alt release and the page keys taken.
void ResetKeyboardForTesting();
