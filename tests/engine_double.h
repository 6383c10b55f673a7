// An in-process stand-in for the web engine, linked into the test executables in place of the
// loader import. It records every call in order, completes creation when a test says so, raises
// navigation events on demand, can fail each step, and counts every AddRef and Release.
#pragma once

#include "webhost/iid_of.h"

#include <string>
#include <vector>

namespace engine_double {

struct Options {
    HRESULT createEnvironmentResult = S_OK;  // returned by the loader's call, which then never answers
    HRESULT environmentResult = S_OK;  // passed to the environment handler
    HRESULT controllerResult = S_OK;   // passed to the controller handler
    bool noWebView = false;            // get_CoreWebView2 yields null
    bool nullObjects = false;          // both creations succeed but hand over no object
    HRESULT navigateResult = S_OK;     // returned by Navigate
    bool failGetSource = false;        // get_Source fails and leaves the string null
    std::wstring refusedRegistration;  // this add_ call ("add_GotFocus") fails and holds nothing
    std::wstring source = L"https://duckduckgo.com/";
    bool noExitEvent = false;          // the environment has no BrowserProcessExited (an older runtime)
};

// References the program took on one engine object, through AddRef/Release or out-parameters.
struct RefCounts {
    int addRefs = 0;
    int releases = 0;
    int Held() const { return addRefs - releases; }
};

// Starts afresh: forgets every call, object and handler (releasing the handlers it still holds).
void Reset(const Options& options = Options());
Options& Settings();

// Every call the program made, in order: "CreateEnvironment", "CreateController",
// "put_IsVisible 1", "put_Bounds 0 64 1184 736", "add_NavigationStarting",
// "add_NavigationCompleted", "add_SourceChanged", "add_ProcessFailed", "add_ContainsFullScreenElementChanged",
// "add_AcceleratorKeyPressed", "add_MoveFocusRequested", "add_GotFocus", "add_LostFocus",
// "add_BrowserProcessExited" (on the environment), "add_ScriptDialogOpening", "add_NewWindowRequested",
// "add_ZoomFactorChanged", "put_ZoomFactor <per cent>", "ExecuteScript <script>",
// "get_Settings", "put_AreDefaultScriptDialogsEnabled <0|1>", "Navigate <url>",
// "get_Source", "GoBack", "GoForward", "Reload", "Close", "MoveFocus <reason>",
// "NotifyParentWindowPositionChanged"; and "Reentrant <call>" for a Close or a final Release of the
// controller, the web view or the environment made inside one of the engine's events or creation
// completions.
const std::vector<std::wstring>& Calls();
int CountCalls(const std::wstring& prefix);
std::wstring LastCall(const std::wstring& prefix);

// Creation completes only when the test asks: the completion is posted to the UI thread and
// runs when messages are pumped (PumpMessages). Each returns false if nothing is pending.
bool CompleteEnvironment();
bool CompleteController();
void PumpMessages();
bool EnvironmentRequested();
bool ControllerRequested();

// Raise the web view's events on the registered handlers, as the engine would.
void RaiseNavigationStarting(const std::wstring& uri);
void RaiseNavigationCompleted(bool success);
// The NavigationId that the starting and completed events raised from now on report (0 at first).
void SetNavigationId(UINT64 id);
void RaiseSourceChanged(bool newDocument);
// Holds the handler for the call as an engine does; returns what its final Release returned (-1:
// no handler). After BROWSER_PROCESS_EXITED the next CreateEnvironment starts a new generation of
// objects; the dead one's are kept for counting.
long RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind);
// Raises the environment's BrowserProcessExited, as the engine does once a browser process has gone
// (after ProcessFailed or before it); false when no handler is registered.
bool RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind);
// A runtime's environment may outlive the program's references and still hold its handler: this
// keeps the current environment's, and the late call raises it from that environment afterwards.
void KeepBrowserExitedHandlerForLater();
bool RaiseLateBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind);
// An element of the page enters (true) or leaves full screen: get_ContainsFullScreenElement answers
// so from now on, and the handler hears of it (with null arguments, as from the engine).
void RaiseContainsFullScreenElementChanged(bool contains);

// Raises the controller's accelerator-key event, as the engine does for a key in the page; returns
// whether the program set Handled (false when no handler is registered).
bool RaiseAcceleratorKey(COREWEBVIEW2_KEY_EVENT_KIND kind, UINT key, bool wasKeyDown = false,
                         bool menuKeyDown = false);

// Raises the controller's move-focus event, as the engine does when Tab leaves the page; returns
// whether the program set Handled (false when no handler is registered).
bool RaiseMoveFocusRequested(COREWEBVIEW2_MOVE_FOCUS_REASON reason);

// Raises the controller's GotFocus (true) or LostFocus event; false when no handler is registered.
bool RaiseFocusChanged(bool got);

// Raises ScriptDialogOpening for the page at uri (on the view of popup n, or the main view); what
// the program answered, then or later through the deferral, is read from LastScriptDialog.
void RaiseScriptDialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, const std::wstring& message,
                       const std::wstring& defaultText = L"", const std::wstring& uri = L"https://page.example/a",
                       int popup = -1);
struct ScriptDialogOutcome {
    bool raised = false;
    bool deferralTaken = false;
    bool completed = false;  // the deferral's Complete: the page's script goes on
    bool accepted = false;
    std::wstring resultText;
    int argsHeld = 0;        // references the program still holds on the arguments and the deferral
};
ScriptDialogOutcome LastScriptDialog();

// A page's request for a new window: started by the person or not, and what window.open asked for.
struct NewWindowRequest {
    std::wstring uri = L"https://popup.example/x";
    bool userInitiated = true;
    bool hasPosition = false, hasSize = false;
    UINT32 left = 0, top = 0, width = 0, height = 0;
    bool popup = true;  // the window's features show no bars
};
// Raises NewWindowRequested on the main view (or on the view of popup n); returns what the program
// did with the request so far, in order: "GetDeferral", "put_NewWindow <popup n|main|other>",
// "put_Handled <0|1>", "Complete" (of the deferral). NewWindowSteps gives them later.
std::vector<std::wstring> RaiseNewWindowRequested(const NewWindowRequest& request, int popup = -1);
std::vector<std::wstring> NewWindowSteps();
int NewWindowArgsHeld();  // references the program still holds on the request and its deferral

// The views of popups: each CreateController for an owned window (the main window has no owner)
// makes a controller and a view of their own, whose calls are recorded as "popup <call>", and whose final releases
// are "popup close", "popup webview", "popup controller". Creation completes when the test says.
size_t PopupViews();
bool CompletePopupController(size_t popup, HRESULT result = S_OK);
HWND PopupParent(size_t popup);
RefCounts PopupControllerRefs(size_t popup);
RefCounts PopupWebViewRefs(size_t popup);
// Raise events of a popup's view; false when the program has no handler there.
// WindowCloseRequested or DocumentTitleChanged (by registration: "add_WindowCloseRequested"), which
// take no arguments; the title is what the view's DocumentTitle says from now on.
bool RaisePopupEvent(size_t popup, const wchar_t* registration, const std::wstring& title = L"");
bool RaisePopupNavigation(size_t popup, const std::wstring& uri, bool completed);

// The page runs the scripts asked of it so far: each ExecuteScript handler hears S_OK and "0";
// returns how many there were.
int AnswerScripts();

// The zoom the page shows changed to factor (the person's own, or the engine's): get_ZoomFactor
// answers so, and the controller's ZoomFactorChanged is raised; false without a handler.
bool RaiseZoomFactorChanged(double factor);

RefCounts EnvironmentRefs();
RefCounts ControllerRefs();
RefCounts WebViewRefs();
// The references of a dead generation (0 the first): which is 0 environment, 1 controller, 2 web view.
size_t RetiredGenerations();
RefCounts RetiredRefs(size_t generation, int which);
// The controller's Close ("close") and the engine objects, in the order in which the program let go
// of its last reference to each: "webview", "controller", "environment".
const std::vector<std::wstring>& FinalReleases();

// What Release returned when the engine gave up its reference to each creation handler:
// 0 means the handler object was freed then. -1 while the engine still holds it.
long EnvironmentHandlerCountAtRelease();
long ControllerHandlerCountAtRelease();

// The handler the main view, the controller or the environment holds for an event, by its
// registration call ("add_NavigationStarting"; null before registration), and what its Release
// returned when the engine let go of it (-1 while still held).
IUnknown* EventHandler(const std::wstring& registration);
long HandlerCountAtRelease(const std::wstring& registration);

// Takes a reference of its own on every event handler the engine holds now, so that what becomes of
// them later can be seen: Freed lets go of them all and names, by their registration call
// ("add_NavigationStarting", ...), those that nobody else held any more.
class HandlerWatch {
public:
    HandlerWatch();
    ~HandlerWatch();
    std::vector<std::wstring> Freed();

private:
    std::vector<std::pair<std::wstring, IUnknown*>> watched_;
};

}  // namespace engine_double
