// What the engine code tells the application, and the little it asks of it: the engine's events as
// they concern closing, the focus, the keys, full screen, the page's dialogs and windows, and the
// address bar. The application answers each once, when its window is created, as a window's owner
// subscribes to its events: the engine code includes nothing of the application but the shared state.
#pragma once

#include <windows.h>

#include <string>

// Declared ahead: the application's side need not compile against the SDK.
struct ICoreWebView2;
struct ICoreWebView2NewWindowRequestedEventArgs;
struct PageDialog;
struct PageDialogAnswer;

struct EngineHost {
    // A close under way hears of the main view's navigations: the start of about:blank is the page
    // letting go, and its completion, true when taken, ends the close (the bar is left as it is).
    void (*navigationStarting)(const std::wstring& uri, UINT64 navigationId);
    bool (*navigationCompleted)(UINT64 navigationId);
    // Whether about:blank has started for a close: what the engine says of it is not shown.
    bool (*leavingPageToClose)();
    // The main page's leave question was answered; true when a close was under way.
    bool (*leaveAnswered)(bool leave);
    // The engine died while a close was under way: the window goes, and no restart follows.
    void (*engineDiedWhileClosing)();

    // The focus: noted before the page goes, the page's own GotFocus and LostFocus, Tab out of the
    // page (true when taken), the page forgotten with its engine, and given back after a restart.
    void (*rememberFocus)();
    void (*pageFocusChanged)(bool hasFocus);
    bool (*focusLeavesPage)();
    void (*forgetPageFocus)();
    bool (*restoreFocus)();

    // A key in the page: true when it is the program's shortcut, which the engine is told is handled.
    bool (*pageKey)(UINT key, bool down, bool wasDown, bool altDown);

    // Whether the window is full screen (the view fills it), and its page's hold on it gone.
    bool (*isFullScreen)();
    void (*leaveFullScreen)();

    // The page's windows: a request for a new one (true when answered there), the window that shows
    // a view, a popup's leave answer, and every popup going with the engine's view.
    bool (*newWindowRequested)(ICoreWebView2NewWindowRequestedEventArgs* args, const std::wstring& uri);
    HWND (*windowOfView)(ICoreWebView2* view);
    void (*popupLeaveAnswered)(HWND popup, bool leave);
    void (*closeAllPopups)();

    // The page's question, shown as the program's dialog until answered; the one up closed unanswered.
    PageDialogAnswer (*showPageDialog)(HWND owner, const PageDialog& dialog, bool offerStop);
    void (*closePageDialog)();

    // The page stops answering (said again every few seconds while it lasts), or it answers again
    // (it loaded, it asks something) or is gone with its view.
    void (*pageUnresponsive)();
    void (*pageAnswersAgain)();

    // The engine's address for the bar (left alone while the person edits it).
    void (*showAddress)(const wchar_t* url);
};

// Answered by the application before its window can see an engine event.
extern EngineHost engineHost;
