// The page's JavaScript dialogs (alert, confirm, prompt, the question before leaving a page) as
// modal Win32 dialogs of the host's window, as the real runtime shows them.
#pragma once

#include <windows.h>

#include <string>

struct ScriptDialogRequest {
    std::string type;  // "alert", "confirm", "prompt" or "beforeunload", as the protocol names them
    std::wstring message;
    std::wstring caption;  // the page's origin
    std::wstring defaultPrompt;
    std::wstring uri;  // the page's address
};

struct ScriptDialogAnswer {
    bool accepted = false;
    std::wstring text;  // prompt: what was in the field when it was accepted
};

// "scheme://host[:port]" of an address; the scheme alone ("about:") for addresses without a host.
std::string OriginOf(const std::string& url);

// The text a dialog shows: the page's message, or for leaving a page (whose message browsers no
// longer show) a question of our own.
std::wstring ScriptDialogText(const ScriptDialogRequest& request);

// Runs the dialog modally over `owner` (a nested message loop) and returns how it was closed.
ScriptDialogAnswer ShowScriptDialog(HWND owner, const ScriptDialogRequest& request);
