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

void RunMessageLoop() {
    MSG msg;
    // GetMessageW returns -1 on error: that ends the loop too.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (HandleShortcutMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
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

int RunBrowser(HINSTANCE instance, int showCommand) {
    StartProcessFacilities();
    // Without its window the process would wait in the message loop for ever, unseen.
    if (!RegisterBrowserClass(instance)) {
        StopProcessFacilities();
        return 1;
    }
    hMainWnd = CreateBrowserWindow(instance);
    if (!hMainWnd) {
        UnregisterClassW(kWindowClassName, instance);
        StopProcessFacilities();
        return 1;
    }
    RegisterForRestartAfterUpdates();  // early, as Windows asks: before anything could hang
    ShowWindow(hMainWnd, showCommand);
    UpdateWindow(hMainWnd);
    RunMessageLoop();
    ReleaseEngineReferences();
    StopProcessFacilities();
    return 0;
}
