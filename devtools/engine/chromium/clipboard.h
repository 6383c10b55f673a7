// Copy, cut and paste between a page in Chromium and the Windows clipboard: which keys ask for
// them, the script that reads (and for cut removes) the page's selection, and the clipboard's text.
#pragma once

#include <windows.h>

#include <string>

enum class EditingShortcut { None, Copy, Cut, Paste };

// Ctrl+C / Ctrl+Insert copy, Ctrl+X / Shift+Delete cut, Ctrl+V / Shift+Insert paste; `modifiers`
// are the protocol's bits (page_input.h).
EditingShortcut EditingShortcutFor(WPARAM virtualKey, int modifiers);

// An expression whose value is the selected text: in the focused text field, or else in the
// document. For cut, the selection is also deleted where the page can be edited.
std::string SelectionScript(bool cut);

// Line ends as each side keeps them: CRLF on the clipboard, LF in pages.
std::wstring ClipboardLines(const std::wstring& pageText);
std::wstring PageLines(const std::wstring& clipboardText);

// The clipboard as Unicode text; false when it holds none or is busy.
bool PutClipboardText(HWND owner, const std::wstring& text);
bool GetClipboardText(HWND owner, std::wstring* text);
