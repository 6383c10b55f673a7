// The engine's events that the browser follows, a row each: the holder of our handler object (a
// field of the shared state), the handler's interface, the object it is registered with (the web
// view or its controller), the registration method, and the function of
// webhost/navigation_events.cpp that handles it. Holders, registrations, releases and the tests' reset all come from this list, in
// this order: following one more event is one row and its handler.
#pragma once

#define TROV_ENGINE_EVENTS(EVENT)                                                                                 \
    EVENT(navStartingHandler, ICoreWebView2NavigationStartingEventHandler, webview, add_NavigationStarting,         \
          OnNavigationStarting)                                                                                   \
    EVENT(navCompletedHandler, ICoreWebView2NavigationCompletedEventHandler, webview, add_NavigationCompleted,      \
          OnNavigationCompleted)                                                                                  \
    /* The address as the engine reports it, also for moves within a page. */                                    \
    EVENT(sourceChangedHandler, ICoreWebView2SourceChangedEventHandler, webview, add_SourceChanged, OnSourceChanged) \
    /* Recovery from the failures of the engine's processes. */                                                   \
    EVENT(processFailedHandler, ICoreWebView2ProcessFailedEventHandler, webview, add_ProcessFailed, OnProcessFailed) \
    /* A video's full-screen button, or the page's own requestFullscreen. */                                      \
    EVENT(fullScreenHandler, ICoreWebView2ContainsFullScreenElementChangedEventHandler, webview,                  \
          add_ContainsFullScreenElementChanged, OnContainsFullScreenElementChanged)                               \
    /* The page's keys reach the shortcuts only through the engine. */                                            \
    EVENT(acceleratorHandler, ICoreWebView2AcceleratorKeyPressedEventHandler, webviewController,                  \
          add_AcceleratorKeyPressed, OnAcceleratorKeyPressed)                                                     \
    /* Tabbing out of the page comes back to the address bar. */                                                  \
    EVENT(moveFocusHandler, ICoreWebView2MoveFocusRequestedEventHandler, webviewController, add_MoveFocusRequested, \
          OnMoveFocusRequested)                                                                                   \
    /* Where the focus is, as the engine alone knows for its page. */                                             \
    EVENT(gotFocusHandler, ICoreWebView2FocusChangedEventHandler, webviewController, add_GotFocus, OnPageGotFocus) \
    EVENT(lostFocusHandler, ICoreWebView2FocusChangedEventHandler, webviewController, add_LostFocus, OnPageLostFocus) \
    /* The page's alert, confirm, prompt and leave question, as Trov's own dialogs. */                            \
    EVENT(scriptDialogHandler, ICoreWebView2ScriptDialogOpeningEventHandler, webview, add_ScriptDialogOpening,      \
          OnScriptDialogOpening)                                                                                  \
    /* target=_blank and window.open stay in the one window. */                                                   \
    EVENT(newWindowHandler, ICoreWebView2NewWindowRequestedEventHandler, webview, add_NewWindowRequested,          \
          OnNewWindowRequested)                                                                                   \
    /* The zoom the page shows, which the person or the engine may change. */                                     \
    EVENT(zoomChangedHandler, ICoreWebView2ZoomFactorChangedEventHandler, webviewController,                      \
          add_ZoomFactorChanged, OnZoomFactorChanged)
