// The keyboard shortcuts at work: keys for the main window and the address bar are taken in the
// message loop; the page's keys come from the engine's accelerator-key event.
#pragma once

#include "app/shortcuts.h"
#include "webhost/webview2.h"

#include <windows.h>

// Runs the command, with the same guards as the toolbar's buttons.
void RunShortcut(Shortcut command);

// Called by the message loop before TranslateMessage: true when the message was a shortcut key
// for the main window or the address bar, which must then be neither translated nor dispatched.
bool HandleShortcutMessage(const MSG& msg);

// The accelerator-key event of the web view: shortcuts run, and are marked handled so that the
// engine and the page do not act on them as well.
HRESULT OnAcceleratorKeyPressed(ICoreWebView2Controller* sender, ICoreWebView2AcceleratorKeyPressedEventArgs* args);
