// What the files of the engine's handlers share: each registers its own rows of the event table
// (webhost/engine_events.h), and reads the strings the engine hands over the same way.
#pragma once

#include "webhost/com_handler.h"

#include <WebView2.h>

#include <string>
#include <type_traits>

// One row of the table: our handler object, registered with its source and kept in its holder.
// Used inside a function that keeps a bool `registered`, false from the first refusal on.
#define TROV_REGISTER_HANDLER(holder, Interface, source, add, handle)                                     \
    registered = registered && AddHandler(source.Get(), &std::remove_pointer_t<decltype(source.Get())>::add, \
                                          holder, NewHandler(&Interface::Invoke, handle, IID_##Interface));

// Each subject's rows, registered in the table's order; false from the first one the engine refused.
bool RegisterNavigationHandlers();
bool RegisterFailureHandlers();
bool RegisterFullScreenHandlers();
bool RegisterFocusAndKeyHandlers();
bool RegisterPageDialogAndWindowHandlers();
bool RegisterZoomHandlers();

// A string the engine hands over, which the caller frees.
std::wstring TakeEngineString(LPWSTR text);
