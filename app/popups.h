// The pages' own windows. A sign-in or payment popup that the person started opens in a window of
// Trov's, owned by the main window, whose view the engine binds to the page's window.open: the
// opener keeps its page and its link to the popup. A request nobody started opens nothing.
#pragma once

#include <windows.h>

#include <string>

// Declared ahead: only this file's code compiles against the SDK.
struct ICoreWebView2;
struct ICoreWebView2NewWindowRequestedEventArgs;

// What a page's request for a new window gets: nothing when the person did not start it; a popup
// window when it gives a size or a position, as sign-in and payment popups do; the view otherwise
// (a link with target=_blank, window.open of a bare address).
enum class NewWindowAction { Block, OpenInView, OpenPopup };
NewWindowAction DecideNewWindow(bool userInitiated, bool hasSize, bool hasPosition);

// What window.open asked for: a position on the screen and the page's size, in pixels.
struct PopupFeatures {
    bool hasPosition = false;
    bool hasSize = false;
    UINT32 left = 0, top = 0, width = 0, height = 0;
};

// The popup window's frame on the screen: the page's size (or a default) plus the frame's own
// width and height, at the asked position (or centred on the owner's frame), inside the work area.
RECT PopupFrame(const PopupFeatures& features, SIZE frame, const RECT& work, const RECT& owner);

// The caption, which tells the person where a page asking for a password comes from: the page's
// origin, then its title.
std::wstring PopupCaption(const std::wstring& source, const std::wstring& title);

// A popup's life, from the request to its window's end. The person's close asks the page, as the
// main window's does (sent to about:blank; Stay keeps the popup); the page's own window.close()
// closes it at once.
enum class PopupStage { Opening, Open, Asking, Leaving, Gone };
enum class PopupEvent { ViewReady, ViewFailed, PersonCloses, BlankStarted, BlankCompleted, Stayed, Left, PageCloses,
                        WaitOver };
enum class PopupStep { None, HandOverView, AskPage, WaitAgain, EndWait, Close };
struct PopupMove {
    PopupStage stage;
    PopupStep step;
};
PopupMove NextPopupStage(PopupStage stage, PopupEvent event);

// From any view's NewWindowRequested: true when the request was answered here (blocked, or a popup
// is opening); false when the view opens the address itself.
bool TakeNewWindowRequest(ICoreWebView2NewWindowRequestedEventArgs* args, const std::wstring& uri);

// The window that shows a view: its popup's, or the main window.
HWND WindowOfView(ICoreWebView2* view);

// The leave question of a popup's page was answered.
void NotePopupLeaveAnswer(HWND popup, bool leave);

// The engine's view goes (its engine died, or the main window closes): every popup goes first.
void CloseAllPopups();

// The popup windows open now, oldest first (tests).
size_t PopupCount();
HWND PopupWindowAt(size_t index);
