// The keyboard shortcuts at work: keys for the main window and the address bar are taken in the
// message loop; the page's keys come from the engine's accelerator-key event. Both go one way.
#pragma once

#include "app/shortcuts.h"
#include <WebView2.h>

#include <windows.h>

// The one way a key press takes effect: runs its command, if it has one, and returns true when the
// key is the program's (run or swallowed) and must go no further.
bool TakeKeyPress(const KeyPress& press);

// Called by the message loop before TranslateMessage: true when the message was a shortcut key
// for the main window or the address bar, which must then be neither translated nor dispatched.
bool HandleShortcutMessage(const MSG& msg);

// The accelerator-key event of the web view: shortcuts are marked handled, so that the engine and
// the page do not act on them as well, and posted to run.
HRESULT OnAcceleratorKeyPressed(ICoreWebView2Controller* sender, ICoreWebView2AcceleratorKeyPressedEventArgs* args);

// Tests only: forgets the pending Alt release and the page keys taken.
void ResetKeyboardForTesting();
