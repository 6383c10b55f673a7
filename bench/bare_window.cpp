// bare_window [RUNG]: the baseline for start-up and memory, and the rungs of the start-up ladder.
// Rung 0 (no argument) registers a class, opens a 1200 by 800 window, paints it white once and
// waits for the window to close. Nothing else. Each higher rung adds one more of the facilities
// that trov.exe starts, in the order in which it starts them, with the same calls and arguments:
//   1 per-monitor DPI awareness            5 the user-interface font
//   2 GDI+ started                         6 the address bar: EDIT control, its subclass and font
//   3 the single-threaded COM apartment    7 the engine loader, loaded, and its call, which fails
//   4 the common controls                  8 the band painted off-screen with the glyphs
// gdiplus.dll, ole32.dll and comctl32.dll are imported with delayed loading: each is loaded by the
// first call into it, on its rung, where trov.exe's imports are loaded before WinMain. The loader
// is the minimal one, from minimal-loader\ as for trov.exe beside it.
#include "addressbar/address_bar.h"
#include "chrome/glyphs.h"
#include "chrome/paint_owners.h"

#include <WebView2.h>

#include <commctrl.h>

#include <cstdlib>

namespace {

enum Rung {
    kBare = 0,
    kDpiAwareness,
    kGdiplus,
    kComApartment,
    kCommonControls,
    kUIFont,
    kAddressBar,
    kEngineLoader,
    kBand,
};

int rung = kBare;
HFONT uiFont = nullptr;
HWND addressBar = nullptr;
WNDPROC oldEditProc = nullptr;
HBRUSH editBgBrush = nullptr;  // a global, not a guarded static, so that no thread library is linked in
ULONG_PTR gdiplusToken = 0;

// The same face and parameters as the browser's user-interface font.
HFONT CreateUIFont() {
    return CreateFontW(20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Microsoft YaHei UI");
}

LRESULT CALLBACK AddressBarSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(oldEditProc, hwnd, message, wParam, lParam);
}

void BuildAddressBar(HWND parent, HINSTANCE instance) {
    addressBar = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, kAddressBarLeft,
                                 kAddressBarTop, 400, kAddressBarHeight, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_ADDRESS_BAR)), instance, nullptr);
    LONG exStyle = GetWindowLongW(addressBar, GWL_EXSTYLE);
    SetWindowLongW(addressBar, GWL_EXSTYLE, exStyle & ~WS_EX_CLIENTEDGE);
    oldEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(addressBar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AddressBarSubclassProc)));
    SendMessageW(addressBar, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont), TRUE);
}

void FitAddressBar(HWND parent) {
    RECT rc;
    GetClientRect(parent, &rc);
    const int width = rc.right - kAddressBarWidthMargin;
    SetWindowPos(addressBar, nullptr, kAddressBarLeft, kAddressBarTop,
                 width < kAddressBarMinWidth ? kAddressBarMinWidth : width, kAddressBarHeight, SWP_NOZORDER);
}

// The minimal loader beside trov.exe fails at once, as the real one does without a runtime.
void CallEngineLoader() {
    wchar_t path[MAX_PATH + 32] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    wchar_t* name = path + length;
    while (name > path && name[-1] != L'\\' && name[-1] != L'/') --name;
    lstrcpyW(name, L"minimal-loader\\WebView2Loader.dll");
    using CreateEnvironment = HRESULT(__stdcall*)(PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*,
                                                  ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);
    HMODULE module = LoadLibraryW(path);
    auto create = module ? reinterpret_cast<CreateEnvironment>(reinterpret_cast<void*>(
                               GetProcAddress(module, "CreateCoreWebView2EnvironmentWithOptions")))
                         : nullptr;
    if (create) create(nullptr, nullptr, nullptr, nullptr);
}

// The address bar's rounded rim, as the toolbar paints it: one GDI+ surface, brush, pen and path.
void PaintAddressBarFrame(HDC hdc, HWND hwnd) {
    RECT erc;
    GetWindowRect(addressBar, &erc);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&erc), 2);
    InflateRect(&erc, 6, 6);
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    GdipOwned<GpGraphics> graphics;
    GdipCreateFromHDC(hdc, graphics.Out());
    GdipSetSmoothingMode(graphics.Get(), SmoothingModeAntiAlias);
    GdipOwned<GpSolidFill> bgBrush;
    GdipCreateSolidFill(0xFFF6F6F6, bgBrush.Out());
    GdipOwned<GpPen> borderPen;
    GdipCreatePen1(0xFFDCDCDC, 1.0f, UnitWorld, borderPen.Out());
    const int d = 20;
    GdipOwned<GpPath> path;
    GdipCreatePath(FillModeAlternate, path.Out());
    GdipAddPathArcI(path.Get(), erc.left, erc.top, d, d, 180.0f, 90.0f);
    GdipAddPathArcI(path.Get(), erc.right - d, erc.top, d, d, 270.0f, 90.0f);
    GdipAddPathArcI(path.Get(), erc.right - d, erc.bottom - d, d, d, 0.0f, 90.0f);
    GdipAddPathArcI(path.Get(), erc.left, erc.bottom - d, d, d, 90.0f, 90.0f);
    GdipClosePathFigure(path.Get());
    GdipFillPath(graphics.Get(), bgBrush.Get(), path.Get());
    GdipDrawPath(graphics.Get(), borderPen.Get(), path.Get());
}

// The closed band as trov.exe composes it: off-screen, the eight glyphs, the rim, the rule, one BitBlt.
void PaintBand(HWND hwnd) {
    constexpr int kBandHeight = 64, kButton = 48, kMargin = 12, kStep = kButton + 4;
    const GlyphPainter glyphs[] = {DrawBackGlyph,  DrawForwardGlyph,  DrawRefreshGlyph,  DrawHomeGlyph,
                                   DrawCloseGlyph, DrawMaximizeGlyph, DrawMinimizeGlyph, DrawMenuGlyph};
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    HDC memDC = CreateCompatibleDC(hdc);
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, rc.right, kBandHeight);
    HGDIOBJ oldBitmap = SelectObject(memDC, bitmap);

    FillSolid(memDC, RECT{0, 0, rc.right, kBandHeight}, RGB(255, 255, 255));
    for (int slot = 0; slot < 8; ++slot) {
        const int left = slot < 4 ? kMargin + slot * kStep : rc.right - kMargin - (slot - 4) * kStep - kButton;
        glyphs[slot](memDC, left, (kBandHeight - kButton) / 2, kButton, RGB(50, 50, 50));
    }
    PaintAddressBarFrame(memDC, hwnd);
    HPEN rulePen = CreatePen(PS_SOLID, 1, RGB(230, 230, 230));
    HGDIOBJ oldPen = SelectObject(memDC, rulePen);
    MoveToEx(memDC, 0, kBandHeight - 1, nullptr);
    LineTo(memDC, rc.right, kBandHeight - 1);
    SelectObject(memDC, oldPen);
    DeleteObject(rulePen);
    BitBlt(hdc, 0, 0, rc.right, kBandHeight, memDC, 0, 0, SRCCOPY);

    SelectObject(memDC, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memDC);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK BareWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (rung >= kAddressBar) BuildAddressBar(hwnd, reinterpret_cast<const CREATESTRUCTW*>(lParam)->hInstance);
        if (rung >= kEngineLoader) CallEngineLoader();
        return 0;
    case WM_SIZE:
        if (addressBar) FitAddressBar(hwnd);
        return 0;
    case WM_CTLCOLOREDIT: {
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
        SetBkColor(reinterpret_cast<HDC>(wParam), kAddressBarBackground);
        if (!editBgBrush) editBgBrush = CreateSolidBrush(kAddressBarBackground);
        return reinterpret_cast<LRESULT>(editBgBrush);
    }
    case WM_PAINT: {
        if (rung >= kBand) {
            PaintBand(hwnd);
            return 0;
        }
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        FillRect(hdc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    rung = std::atoi(commandLine);
    if (rung >= kDpiAwareness) SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (rung >= kGdiplus) {
        Gdiplus::GdiplusStartupInput gdiplusStartupInput;
        Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusStartupInput, nullptr);
    }
    if (rung >= kComApartment) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (rung >= kCommonControls) InitCommonControls();
    if (rung >= kUIFont) uiFont = CreateUIFont();

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = BareWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TrovBareWindowClass";
    RegisterClassExW(&wc);

    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Bare Window", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, 1200, 800, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (uiFont) DeleteObject(uiFont);
    if (rung >= kGdiplus) Gdiplus::GdiplusShutdown(gdiplusToken);
    if (rung >= kComApartment) CoUninitialize();
    return 0;
}
