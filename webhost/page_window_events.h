// The handlers of what the page asks of its window: full screen, its dialogs and new windows.
#pragma once

#include <WebView2.h>

// WM_APP_NEW_WINDOW: the address a page asked a new window for, in the view.
void OpenNewWindowInView();

// The handlers that the popups' views share with the main view: the page's dialogs and its new windows.
HRESULT OnScriptDialogOpening(ICoreWebView2* sender, ICoreWebView2ScriptDialogOpeningEventArgs* args);
HRESULT OnNewWindowRequested(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args);

// Tests only: forgets a new window's address.
void ResetPageWindowEventsForTesting();
