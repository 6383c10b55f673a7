// The engine's events that the browser follows (the rows of webhost/engine_events.h) and what their
// handlers keep between them: the id of the last navigation started, the page's reloads after its
// renderer died, and a page's request for a new window.
#pragma once

#include <WebView2.h>

#include <string>

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

// A typed address without a scheme, sent over HTTPS (empty for any other navigation): when HTTPS
// cannot connect at all, it is tried once over plain HTTP.
void ExpectUpgradedNavigation(const std::wstring& httpsUrl);

// Whether an upgraded navigation that ended so is tried again over HTTP: it got no HTTP answer
// (httpStatusCode 0; -1 where the engine cannot say) and could not connect or failed its TLS
// handshake. Never after a certificate error, which the person can look at, nor a download.
bool ShouldTryHttpInstead(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, int httpStatusCode);

// Tests only: forgets the navigation ids, the reload budgets and a new window's address.
void ResetNavigationEventsForTesting();
