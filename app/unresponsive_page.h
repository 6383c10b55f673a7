// A page that stops answering (an endless loop, a long script): the engine reports it every few
// seconds for as long as it lasts, and leaves the person's choice to the browser. Trov asks once
// for each run of reports, with its own dialog: wait, or reopen the page.
#pragma once

#include <windows.h>

// Whether a report of a page that does not answer asks the person now: not while the question is
// up, and after "wait" only once sinceWaitMs has reached the wait Trov gives the page.
bool AsksAboutUnresponsivePage(bool asking, bool waited, ULONGLONG sinceWaitMs);

// ProcessFailed with RENDER_PROCESS_UNRESPONSIVE: the first report of a run asks the engine to
// run a trivial script, whose answer tells that the page answers again; the question is shown
// from the message loop (WM_APP_UNRESPONSIVE_PAGE), once the event has returned.
void NotePageUnresponsive();

// WM_APP_UNRESPONSIVE_PAGE: Trov's dialog, captioned with the page's origin. "Wait" gives the page
// time before it asks again; "reopen" opens the page's address in a new view of the engine.
void AskAboutUnresponsivePage(HWND owner);

// The page answers again (the script ran, the page asks something, a navigation completed) or it
// is gone with its view: the run ends, and a dialog that is up closes by itself.
void EndUnresponsivePage();

// The dialog that is up now, or null (tests answer it); its reopen button's id (wait is IDOK).
HWND OpenUnresponsiveDialog();
inline constexpr WORD kUnresponsiveReopenId = 1010;

// Tests only: forgets the run.
void ResetUnresponsivePageForTesting();
