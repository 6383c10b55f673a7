// The handlers of the view's navigations and what they keep between them: the id of the last
// navigation started, and an address Trov made https:// that may fall back to http://.
#pragma once

#include <WebView2.h>

#include <string>

// The view is gone: until the next start is seen, every completion counts.
void ForgetNavigationIds();

// The bar and currentUrl show the view's own address: the page stayed (a refused navigation).
void ShowAddressOfView();

// A typed address without a scheme, sent over HTTPS (empty for any other navigation): when HTTPS
// cannot connect at all, it is tried once over plain HTTP.
void ExpectUpgradedNavigation(const std::wstring& httpsUrl);

// Whether an upgraded navigation that ended so is tried again over HTTP: it got no HTTP answer
// (httpStatusCode 0; -1 where the engine cannot say) and could not connect or failed its TLS
// handshake. Never after a certificate error, which the person can look at, nor a download.
bool ShouldTryHttpInstead(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, int httpStatusCode);

// Tests only: forgets the navigation ids and an upgraded address.
void ResetNavigationEventsForTesting();
