// The engine objects the host sees: environment, controller, web view and the event arguments.
// Slots the browser never calls answer E_NOTIMPL (unimplemented.h).
#pragma once

#include "devtools/engine/chromium/opened_pages.h"
#include "devtools/engine/chromium/script_dialog.h"
#include "devtools/engine/engine.h"
#include "devtools/engine/handler_list.h"
#include "devtools/engine/unimplemented.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class Environment final : public UnimplementedEnvironment, public EngineObject {
public:
    explicit Environment(ConfigPtr config);

    // The environment's versions up to the one with the browser-process exit event.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddHostRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseHostRef(); }

    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE add_BrowserProcessExited(ICoreWebView2BrowserProcessExitedEventHandler* handler,
                                                       EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_BrowserProcessExited(EventRegistrationToken token) override;

    // The browser process died: once it is gone, and the views have told of it, every environment
    // the host still holds raises BrowserProcessExited, from the message loop.
    static void RaiseBrowserProcessExitedLater();

private:
    ~Environment() override;
    void RaiseBrowserProcessExited(COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND kind);

    HandlerList<ICoreWebView2BrowserProcessExitedEventHandler> exitHandlers_{
        Config(), L"add_BrowserProcessExited", L"Released browserexitedhandler"};
};

class WebView;

class Controller final : public UnimplementedController, public EngineObject {
public:
    Controller(ConfigPtr config, EngineRef<WebView> view);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return AnswerQuery<ICoreWebView2Controller>(this, riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddHostRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseHostRef(); }

    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* handler,
                                                        EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* handler,
                                                     EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override;
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) override;
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) override;
    HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* handler,
                                                    EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken token) override;

    // The zoom the page shows changed, not by the host's put_ZoomFactor: ZoomFactorChanged is raised.
    void RaiseZoomFactorChanged();

    // The page window gained (true) or lost the keyboard focus: GotFocus or LostFocus is raised.
    void RaiseFocusChanged(bool got);

    // A key message of the page window, before anything else is done with it: raises the
    // accelerator-key event when the key is an accelerator. True when a handler set Handled.
    bool OfferKey(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Tab left the page's last element (NEXT) or Shift+Tab its first (PREVIOUS): the host's
    // handlers may take the focus. True when one set Handled.
    bool RaiseMoveFocusRequested(COREWEBVIEW2_MOVE_FOCUS_REASON reason);

private:
    ~Controller() override;

    EngineRef<WebView> view_;
    HandlerList<ICoreWebView2AcceleratorKeyPressedEventHandler> keyHandlers_{
        Config(), L"add_AcceleratorKeyPressed", L"Released acceleratorhandler"};
    HandlerList<ICoreWebView2MoveFocusRequestedEventHandler> moveFocusHandlers_{
        Config(), L"add_MoveFocusRequested", L"Released movefocushandler"};
    HandlerList<ICoreWebView2FocusChangedEventHandler> gotFocusHandlers_{
        Config(), L"add_GotFocus", L"Released gotfocushandler"};
    HandlerList<ICoreWebView2FocusChangedEventHandler> lostFocusHandlers_{
        Config(), L"add_LostFocus", L"Released lostfocushandler"};
    HandlerList<ICoreWebView2ZoomFactorChangedEventHandler> zoomHandlers_{
        Config(), L"add_ZoomFactorChanged", L"Released zoomhandler"};
};

// The page as the host sees it: the COM surface, the event handlers and the log lines, shared by
// both back-ends. What a navigation does, and what the child window shows, is the back-end's.
class WebView : public UnimplementedWebView, public EngineObject {
public:
    HWND Window() const { return window_; }  // null once the host destroyed its window
    virtual std::wstring Source() const = 0;

    // Called by the controller.
    virtual void ShowPage(bool visible);
    virtual void PlacePage(const RECT& bounds);
    // The host's MoveFocus: the page window takes the keyboard; NEXT and PREVIOUS put the page's
    // focus on its first or last element, where the back-end has elements.
    virtual void TakeFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason);
    // The zoom the page shows, logged as "ZoomFactor <factor>" when it changes. The simulated page
    // only keeps it; Chromium's is laid out and drawn at it (ApplyZoom). The host's factor becomes
    // the default that every new document and the page's Ctrl+0 go back to; the person's own zoom
    // is the page's alone. Every change but the host's raises the controller's ZoomFactorChanged.
    double ZoomFactor() const { return zoomFactor_; }
    void SetHostZoomFactor(double factor, bool normalized);
    void ZoomByPerson(double factor) { ShowZoom(factor, true); }
    void ZoomToDefault() { ShowZoom(defaultZoom_, true); }

    // Called from the page window's procedure: true when the message was handled.
    virtual bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;
    virtual void OnWindowDestroyed() { window_ = nullptr; }

    // A process of the engine died: logged, then the host's handlers hear it. After the browser
    // process, the view and its controller are dead: every call fails and logs nothing.
    void RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind);
    // The page stopped answering (true) or answers again: as the runtime, ProcessFailed with
    // RENDER_PROCESS_UNRESPONSIVE now and again every few seconds until it answers; nothing tells
    // that it answers again.
    void SetUnresponsive(bool unresponsive);
    bool IsUnresponsive() const { return unresponsive_; }
    void OnUnresponsiveTimer();
    bool IsDead() const { return dead_; }
    // The controller's Close: the page window goes, the handlers are let go, every later call fails.
    void CloseView();
    // An element of the page entered or left full screen: logged, then the host's handlers hear it
    // (only when that changes anything).
    void SetContainsFullScreenElement(bool contains);
    bool ContainsFullScreenElement() const { return containsFullScreen_; }
    // Escape in the page while an element is full screen: the page leaves it, as in the runtime.
    virtual void ExitFullScreenElement() { SetContainsFullScreenElement(false); }
    // The controller whose accelerator-key event the page window's keys go to first; null when none.
    void SetKeyController(Controller* controller) { keyController_ = controller; }
    Controller* KeyController() const { return keyController_; }
    // Tab leaves the page: offered to the host through the controller; true when the host took the focus.
    bool OfferFocusToHost(bool backwards);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return AnswerQuery<ICoreWebView2>(this, riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddHostRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseHostRef(); }

    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE add_NavigationStarting(
        ICoreWebView2NavigationStartingEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_NavigationCompleted(
        ICoreWebView2NavigationCompletedEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_SourceChanged(
        ICoreWebView2SourceChangedEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_ProcessFailed(
        ICoreWebView2ProcessFailedEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE Reload() override;
    HRESULT STDMETHODCALLTYPE GoBack() override;
    HRESULT STDMETHODCALLTYPE GoForward() override;
    HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ContainsFullScreenElementChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* contains) override;
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
    HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(
        ICoreWebView2ScriptDialogOpeningEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_NewWindowRequested(
        ICoreWebView2NewWindowRequestedEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(
        ICoreWebView2DocumentTitleChangedEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override;
    HRESULT STDMETHODCALLTYPE add_WindowCloseRequested(
        ICoreWebView2WindowCloseRequestedEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken token) override;

    // The engine's view behind a host's pointer, or null when it is none of ours (or has gone).
    static WebView* Known(ICoreWebView2* view);
    // The host navigated it, or it shows a page already: it can no longer be a new window's view.
    bool HasBeenNavigated() const { return navigated_; }
    // The view now shows a page opened as a new window (it counts as navigated).
    void MarkNavigated() { navigated_ = true; }

    // A page's request for a new window, as it made it.
    struct NewWindowRequest {
        std::wstring uri;
        bool userInitiated = true;
        WindowFeatureValues features;
    };
    // Popup: the engine's own top-level window shows it; Handled: nothing opens; Hosted: the host's
    // view (same back-end, never navigated) shows the new page.
    enum class NewWindowOutcome { Popup, Handled, Hosted };
    using NewWindowSink = std::function<void(NewWindowOutcome outcome, WebView* newWindow)>;
    // The script runs in the page (logged "ExecuteScript <script>"); its answer comes from the
    // message loop once the page has run it ("ExecuteScriptCompleted"), never while the page does
    // not answer.
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler* handler) override;

    // What the host's settings object changes; the object may outlive the view.
    struct Settings {
        bool defaultScriptDialogs = true;
    };
    // An open script dialog of the page, until it is answered.
    struct OpenDialog;

protected:
    explicit WebView(ConfigPtr config);
    ~WebView() override;

    // The child window in the host's window; false when it cannot be made.
    bool CreateWindowIn(HWND parent);

    // Each is called after its log line, with the window still there.
    using ScriptAnswer = std::function<void(HRESULT result, const std::wstring& json)>;
    virtual HRESULT BeginScript(const std::wstring& script, ScriptAnswer answer) = 0;
    virtual HRESULT BeginNavigate(const std::wstring& uri) = 0;
    virtual HRESULT BeginReload() = 0;
    virtual HRESULT BeginHistoryMove(int step) = 0;

    void RaiseStarting(const std::wstring& url, UINT64 navigationId);
    void RaiseCompleted(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, UINT64 navigationId);
    void RaiseSourceChanged(bool newDocument);

    // The page opened a script dialog (script_dialogs.cpp). From the message loop: the engine's own
    // modal dialog while default dialogs are on, else the host's ScriptDialogOpening handlers, which
    // may answer later through a deferral. `apply` gives the answer to the page, once; a dialog
    // whose page goes away first is answered no.
    using DialogAnswerSink = std::function<void(const ScriptDialogAnswer& answer)>;
    void OpenScriptDialog(const ScriptDialogRequest& request, DialogAnswerSink apply);
    // The page went away (a new navigation, a dead process, the view closed): every open dialog is answered no.
    void AnswerOpenDialogsNo();
    // A script dialog of the page waits for its answer: the page's script is held, not hung.
    bool HasOpenDialog() const;

    // The page asked for a new window (new_windows.cpp): the host's NewWindowRequested handlers hear
    // of it, and decide when they return or when their deferral completes; then the decision is
    // logged ("NewWindow <uri> popup|handled|hosted") and given to `decided`, once, on a live view.
    void RaiseNewWindowRequested(const NewWindowRequest& request, NewWindowSink decided);
    // The popups the engine opened, closed with the view.
    void ClosePopups();
    // The page's title changed: logged as "DocumentTitleChanged <title>", then the host's handlers
    // hear of it (only when it differs).
    void SetDocumentTitle(const std::wstring& title);
    // The page called window.close(): logged as "WindowCloseRequested"; the host decides. Raised, as
    // a browser closes a window by script, for a window a page opened, or one whose history holds
    // one page.
    void RaiseWindowCloseRequested();
    static bool MayCloseByScript(bool openedAsNewWindow, int historyEntries) {
        return openedAsNewWindow || historyEntries <= 1;
    }

    // What the back-end does when a process dies, before the host hears of it: the page's renderer
    // (the page goes blank until it loads again), or the browser process (nothing works any more).
    virtual void OnRendererGone() {}
    virtual void OnBrowserGone() {}
    // The zoom the page is to be drawn at now.
    virtual void ApplyZoom(double) {}
    // The page answers again, after it did not.
    virtual void OnAnsweringAgain() {}

private:
    HWND window_ = nullptr;
    bool dead_ = false;
    Controller* keyController_ = nullptr;  // not counted: the controller holds this view
    HandlerList<ICoreWebView2NavigationStartingEventHandler> startingHandlers_{
        Config(), L"add_NavigationStarting", L"Released navigationstartinghandler"};
    HandlerList<ICoreWebView2NavigationCompletedEventHandler> completedHandlers_{
        Config(), L"add_NavigationCompleted", L"Released navigationcompletedhandler"};
    HandlerList<ICoreWebView2SourceChangedEventHandler> sourceChangedHandlers_{
        Config(), L"add_SourceChanged", L"Released sourcechangedhandler"};
    HandlerList<ICoreWebView2ProcessFailedEventHandler> processFailedHandlers_{
        Config(), L"add_ProcessFailed", L"Released processfailedhandler"};
    HandlerList<ICoreWebView2ContainsFullScreenElementChangedEventHandler> fullScreenHandlers_{
        Config(), L"add_ContainsFullScreenElementChanged", L"Released fullscreenhandler"};
    bool containsFullScreen_ = false;
    bool unresponsive_ = false;
    void ShowZoom(double factor, bool raiseEvent);
    double zoomFactor_ = 1.0;
    double defaultZoom_ = 1.0;
    HandlerList<ICoreWebView2ScriptDialogOpeningEventHandler> dialogHandlers_{
        Config(), L"add_ScriptDialogOpening", L"Released scriptdialoghandler"};
    HandlerList<ICoreWebView2NewWindowRequestedEventHandler> newWindowHandlers_{
        Config(), L"add_NewWindowRequested", L"Released newwindowhandler"};
    std::shared_ptr<Settings> settings_ = std::make_shared<Settings>();
    std::vector<std::weak_ptr<OpenDialog>> openDialogs_;
    bool engineDialogUp_ = false;  // one modal dialog of the engine's at a time, as a page waits for it
    std::vector<HWND> popups_;
    HandlerList<ICoreWebView2DocumentTitleChangedEventHandler> titleHandlers_{
        Config(), L"add_DocumentTitleChanged", L"Released titlehandler"};
    HandlerList<ICoreWebView2WindowCloseRequestedEventHandler> closeRequestHandlers_{
        Config(), L"add_WindowCloseRequested", L"Released windowclosehandler"};
    std::wstring title_;
    bool navigated_ = false;
};

// The registered message that makes the page's engine fail as if a process died; wParam is the
// COREWEBVIEW2_PROCESS_FAILED_KIND. Sent or posted to the page window.
UINT SimulateProcessFailureMessage();

// The registered message that makes a simulated page stop answering (wParam 1) or answer again (0).
// Sent or posted to the page window.
UINT SimulateUnresponsiveMessage();

// The page window's timer of the reports of a page that does not answer.
inline constexpr UINT_PTR kUnresponsiveTimerId = 0x7E50;

// The registered message that makes a simulated page's element enter (wParam 1) or leave (0) full
// screen. Sent or posted to the page window.
UINT SimulateFullScreenMessage();

// The registered message that makes a simulated page open a script dialog; wParam is the
// COREWEBVIEW2_SCRIPT_DIALOG_KIND, lParam null or the dialog's message (sent only). BEFOREUNLOAD
// makes the page ask before it is left, from its next navigation on, until another page replaces it.
UINT SimulateScriptDialogMessage();

// The registered message that makes a simulated page ask for a new window, as window.open does;
// lParam is the address, optionally followed by one space and window.open's features text
// ("https://x.test/ width=480,height=560"; sent only, a NUL-terminated wide string); wParam 0 for a
// request the person started, 1 for one a script made by itself (a timer, a page's load).
UINT SimulateNewWindowMessage();

// The registered message that makes a simulated page call window.close().
UINT SimulateWindowCloseMessage();

// The registered message that gives a simulated page a title of its own: lParam is the title (sent
// only, a NUL-terminated wide string); null or empty gives the default title, the page's address.
UINT SimulateTitleMessage();

// The child window that shows the page (page_window.cpp); its messages go to the view.
HWND CreatePageWindow(HWND parent, WebView* view);
void DestroyPageWindow(HWND window);
