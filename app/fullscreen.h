// Full screen: the page alone on the whole monitor, asked for by an element of the page or by F11.
#pragma once

#include <windows.h>

enum class FullScreenEvent { KeyPressed, ElementEntered, ElementLeft, LeaveAll };

// Who holds the window full screen: the F11 key, an element of the page, or both.
struct FullScreenHolders {
    bool byKey = false;
    bool byElement = false;
    bool IsFullScreen() const { return byKey || byElement; }
};

// The holders after the event. F11 toggles the key's hold only while no element is full screen;
// an element that leaves while the key holds the window leaves it full screen.
FullScreenHolders NextFullScreenHolders(FullScreenHolders holders, FullScreenEvent event);

// Applies the event to the window: enters or leaves full screen when the holders say so.
void ApplyFullScreenEvent(HWND hwnd, FullScreenEvent event);

// WM_APP_FULLSCREEN: the page's element entered or left full screen, as the web view now says.
void OnFullScreenElementChanged(HWND hwnd);

// Entering full screen by F11 shows this for kFullScreenHintMs, at the top of the screen, without
// taking the activation or the focus; leaving full screen takes it away.
inline constexpr wchar_t kFullScreenHintText[] = L"按 F11 退出全屏";
inline constexpr UINT kFullScreenHintMs = 3000;

// The hint while it is shown, or null.
HWND FullScreenHint();

// kFullScreenHintTimer, or leaving full screen: the hint goes.
void HideFullScreenHint(HWND hwnd);

// While true the band is hidden: not painted, no hover, no clicks, and the view fills the client area.
bool IsFullScreen();

// The first step of WM_SIZE: a window that left full screen while minimised, maximised before, is
// maximised again at its restore. True when it was: the nested WM_SIZE has laid the window out.
bool PayOwedMaximize(HWND hwnd, WPARAM sizeType);

// Tests only: forgets the holders and what was saved, without touching any window.
void ResetFullScreenForTesting();
