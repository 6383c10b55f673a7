// The keyboard shortcuts at work: keys for the main window and the address bar are taken in the
// message loop; the page's keys come from the engine's accelerator-key event.
#pragma once

#include "app/shortcuts.h"
#include "webhost/webview2.h"

#include <windows.h>

// Posted to the main window with a Shortcut in wParam, for a command asked for from inside an
// engine event: it runs after the event has returned.
inline constexpr UINT WM_APP_RUN_COMMAND = WM_USER + 101;

// Runs the command, with the same guards as the toolbar's buttons.
void RunShortcut(Shortcut command);

// Called by the message loop before TranslateMessage: true when the message was a shortcut key
// for the main window or the address bar, which must then be neither translated nor dispatched.
bool HandleShortcutMessage(const MSG& msg);

// The accelerator-key event of the web view: shortcuts are marked handled, so that the engine and
// the page do not act on them as well, and posted to run.
HRESULT OnAcceleratorKeyPressed(ICoreWebView2Controller* sender, ICoreWebView2AcceleratorKeyPressedEventArgs* args);
