// The engine's events that the browser follows (the rows of webhost/engine_events.h) and what their
// handlers keep between them: the id of the last navigation started, the page's reloads after its
// renderer died, and a page's request for a new window.
#pragma once

#include <windows.h>

struct ICoreWebView2;
struct ICoreWebView2ScriptDialogOpeningEventArgs;
struct ICoreWebView2NewWindowRequestedEventArgs;

// Registers every handler of the event table on the new view and its controller; false from the
// first one the engine refused, and the rest are not offered.
bool RegisterEngineEventHandlers();

// The view is gone: until the next start is seen, every completion counts.
void ForgetNavigationIds();

// WM_APP_NEW_WINDOW: the address a page asked a new window for, in the view.
void OpenNewWindowInView();

// The handlers that the popups' views share with the main view: the page's dialogs and its new windows.
HRESULT OnScriptDialogOpening(ICoreWebView2* sender, ICoreWebView2ScriptDialogOpeningEventArgs* args);
HRESULT OnNewWindowRequested(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args);

// The bar and currentUrl show the view's own address: the page stayed (a refused navigation).
void ShowAddressOfView();

// Tests only: forgets the navigation ids, the reload budgets and a new window's address.
void ResetNavigationEventsForTesting();
