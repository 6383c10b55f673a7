// The page's own questions (alert, confirm, prompt, and "leave this page?") as Trov's modal
// dialogs of the main window, in the interface's language, captioned with the page's origin.
#pragma once

#include <windows.h>

#include <string>

enum class PageDialogKind { Alert, Confirm, Prompt, Leave };

struct PageDialog {
    PageDialogKind kind = PageDialogKind::Alert;
    std::wstring message;
    std::wstring defaultText;  // a prompt's suggestion
    std::wstring origin;       // the caption
};

struct PageDialogAnswer {
    bool yes = false;      // OK, or Leave; false for Cancel, Stay and Escape
    std::wstring text;     // a prompt's field, when answered yes
    bool stopPage = false; // the box to stop the page's further dialogs was checked
};

// Shows the dialog and returns when it is answered or closed (ClosePageDialog). offerStop adds the
// check box that stops the page's further dialogs. The toolbar's tooltip goes first, and the focus
// comes back where it was.
PageDialogAnswer ShowPageDialog(HWND owner, const PageDialog& dialog, bool offerStop);

// The dialog that is up, if one is: closed as answered no (its page or engine has gone).
void ClosePageDialog();

// The dialog that is up now, or null (tests answer it).
HWND OpenPageDialog();

// Whether a page's dialog offers to stop its further ones: from the second in quick succession,
// when the page's last dialog was answered sinceLastAnswerMs ago.
bool OffersToStopDialogs(bool pageHadDialog, ULONGLONG sinceLastAnswerMs);

// The caption for a page at uri: its scheme, host and port, without credentials, path or query;
// the scheme alone for an address without a host.
std::wstring OriginOf(const std::wstring& uri);

// The dialog's controls, for tests and for tools that read message boxes (the message has the id
// that a message box gives its text).
inline constexpr WORD kPageDialogMessageId = 0xFFFF;
inline constexpr WORD kPageDialogFieldId = 1000;
inline constexpr WORD kPageDialogStopId = 1001;
