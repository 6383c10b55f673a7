#include "app/startup.h"

#include "app/keyboard.h"
#include "app/session_end.h"
#include "app/state.h"
#include "app/window.h"
#include "webhost/engine.h"

#include <commctrl.h>
#include <gdiplus.h>

namespace {

HFONT CreateUIFont() {
    return CreateFontW(20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Microsoft YaHei UI");
}

// Set by NoteCloseAsked for the window of the current run.
bool closeAsked = false;

// Pauses between the windows' tries grow: 200 ms, then 400 ms.
constexpr DWORD kWindowRetryPauseMs = 200;

void RunMessageLoop() {
    MSG msg;
    // GetMessageW returns -1 on error: that ends the loop too.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (HandleShortcutMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// One window from its making to its end, as an exit code. A loop ended by a WM_QUIT of someone
// else's leaves the window behind: it goes too, as it would with the process.
int RunWindow(HINSTANCE instance, int showCommand) {
    closeAsked = false;
    hMainWnd = CreateBrowserWindow(instance);
    if (!hMainWnd) return kExitNoWindow;
    ShowWindow(hMainWnd, showCommand);
    UpdateWindow(hMainWnd);
    RunMessageLoop();
    if (IsWindow(hMainWnd)) {
        DestroyWindow(hMainWnd);
        MSG quit;  // its WM_DESTROY's, for the loop that has ended already: the next window's must run
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    ReleaseEngineReferences();
    return closeAsked ? kExitClosed : kExitWindowTaken;
}

}  // namespace

void StartProcessFacilities() {
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    Gdiplus::GdiplusStartupInput gdiplusStartupInput;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusStartupInput, nullptr);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    InitCommonControls();
    hUIFont = CreateUIFont();
}

void StopProcessFacilities() {
    if (hUIFont) {
        DeleteObject(hUIFont);
        hUIFont = nullptr;
    }
    Gdiplus::GdiplusShutdown(gdiplusToken);
    CoUninitialize();
}

ATOM RegisterBrowserClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = BrowserWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClassName;
    return RegisterClassExW(&wc);
}

HWND CreateBrowserWindow(HINSTANCE instance) {
    return CreateWindowExW(0, kWindowClassName, kWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                           CW_USEDEFAULT, 1200, 800, nullptr, nullptr, instance, nullptr);
}

// Asked by the person, the window's close or the session's end: the window goes on purpose.
void NoteCloseAsked() { closeAsked = true; }

// A window that could not be made, or that something else destroyed (on Wine, a desktop that was
// closing as the process joined it), is made again after a pause; the last try's end is the
// process's exit code.
int RunBrowser(HINSTANCE instance, int showCommand) {
    StartProcessFacilities();
    // Without its window the process would wait in the message loop for ever, unseen.
    if (!RegisterBrowserClass(instance)) {
        StopProcessFacilities();
        return kExitNoWindow;
    }
    RegisterForRestartAfterUpdates();  // early, as Windows asks: before anything could hang
    int exitCode = kExitNoWindow;
    for (int tried = 1; tried <= kWindowTries; ++tried) {
        exitCode = RunWindow(instance, showCommand);
        if (exitCode == kExitClosed) break;
        if (tried < kWindowTries) Sleep(kWindowRetryPauseMs * static_cast<DWORD>(tried));
    }
    UnregisterClassW(kWindowClassName, instance);
    StopProcessFacilities();
    return exitCode;
}
