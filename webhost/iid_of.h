// The engine's interfaces, from Microsoft's WebView2 SDK, and the IID of each one that an object of
// ours answers QueryInterface for: MinGW has no __uuidof for the SDK's interfaces.
#pragma once

#include <WebView2.h>

template <class Interface> const IID& IidOf();

#define TROV_IID_OF(Interface) \
    template <> inline const IID& IidOf<Interface>() { return IID_##Interface; }

TROV_IID_OF(ICoreWebView2Environment)
TROV_IID_OF(ICoreWebView2Environment5)
TROV_IID_OF(ICoreWebView2Controller)
TROV_IID_OF(ICoreWebView2)
TROV_IID_OF(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler)
TROV_IID_OF(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler)
TROV_IID_OF(ICoreWebView2NavigationStartingEventHandler)
TROV_IID_OF(ICoreWebView2NavigationStartingEventArgs)
TROV_IID_OF(ICoreWebView2NavigationCompletedEventHandler)
TROV_IID_OF(ICoreWebView2NavigationCompletedEventArgs)
TROV_IID_OF(ICoreWebView2AcceleratorKeyPressedEventHandler)
TROV_IID_OF(ICoreWebView2AcceleratorKeyPressedEventArgs)
TROV_IID_OF(ICoreWebView2ProcessFailedEventHandler)
TROV_IID_OF(ICoreWebView2ProcessFailedEventArgs)
TROV_IID_OF(ICoreWebView2SourceChangedEventHandler)
TROV_IID_OF(ICoreWebView2SourceChangedEventArgs)
TROV_IID_OF(ICoreWebView2MoveFocusRequestedEventHandler)
TROV_IID_OF(ICoreWebView2MoveFocusRequestedEventArgs)
TROV_IID_OF(ICoreWebView2FocusChangedEventHandler)
TROV_IID_OF(ICoreWebView2ContainsFullScreenElementChangedEventHandler)
TROV_IID_OF(ICoreWebView2BrowserProcessExitedEventHandler)
TROV_IID_OF(ICoreWebView2BrowserProcessExitedEventArgs)
TROV_IID_OF(ICoreWebView2Settings)
TROV_IID_OF(ICoreWebView2Deferral)
TROV_IID_OF(ICoreWebView2ScriptDialogOpeningEventHandler)
TROV_IID_OF(ICoreWebView2ScriptDialogOpeningEventArgs)
TROV_IID_OF(ICoreWebView2NewWindowRequestedEventHandler)
TROV_IID_OF(ICoreWebView2NewWindowRequestedEventArgs)

#undef TROV_IID_OF
