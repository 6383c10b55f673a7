// The page's questions, asked by Trov itself: the engine's ScriptDialogOpening is never kept
// waiting; its answer follows from the message loop, through the event's deferral.
#pragma once

#include "app/page_dialogs.h"

#include <windows.h>

// Declared ahead: the window procedure that shows the dialog does not compile against the SDK.
struct ICoreWebView2ScriptDialogOpeningEventArgs;
struct ICoreWebView2Deferral;

// From the engine's event: keeps the dialog with the event's arguments and deferral and posts
// WM_APP_PAGE_DIALOG to the window that shows the page (owner), which owns the dialog; a page whose
// dialogs were stopped is answered at once, without a dialog.
void QueuePageDialog(const PageDialog& dialog, ICoreWebView2ScriptDialogOpeningEventArgs* args,
                     ICoreWebView2Deferral* deferral, HWND owner);

// WM_APP_PAGE_DIALOG: shows the dialog, then answers the engine and completes the deferral.
void ShowQueuedPageDialog(HWND owner);

// Whether a page's dialog is waiting or showing: Trov knows the page's question is up. The first
// asks for the main window's page, the second for the page of the window given.
bool PageDialogPending();
bool PageDialogPendingFor(HWND owner);

// A new navigation started: the next page's dialogs are its own again.
void ForgetPageDialogsOfLastPage();

// A new navigation of the owner's view started: the page that asked is on its way out, and its
// dialog, up or waiting, closes as answered no.
void AnswerPageDialogNo(HWND owner);

// The page or its engine has gone: a dialog that is up closes, and nothing is answered.
void DropPageDialog();
// The same, for a dialog of the page of the window given (a popup that goes).
void DropPageDialogOf(HWND owner);

// Tests only.
void ResetPageDialogsForTesting();
