// The page's own questions (alert, confirm, prompt, and "leave this page?") as Trov's modal
// dialogs of the main window, in the interface's language, captioned with the page's origin.
#pragma once

#include "webhost/script_dialogs.h"

#include <windows.h>

#include <string>

// Shows the dialog and returns when it is answered or closed (ClosePageDialog). offerStop adds the
// check box that stops the page's further dialogs. The toolbar's tooltip goes first, and the focus
// comes back where it was.
PageDialogAnswer ShowPageDialog(HWND owner, const PageDialog& dialog, bool offerStop);

// The dialog that is up, if one is: closed as answered no (its page or engine has gone).
void ClosePageDialog();

// The dialog that is up now, or null (tests answer it).
HWND OpenPageDialog();

// The dialog's controls, for tests and for tools that read message boxes (the message has the id
// that a message box gives its text).
inline constexpr WORD kPageDialogMessageId = 0xFFFF;
inline constexpr WORD kPageDialogFieldId = 1000;
inline constexpr WORD kPageDialogStopId = 1001;
