// paint_bench [REPETITIONS] [PAINTS]: the cost of the main window's paints, in-process.
//
// Opens the real main window (no engine: the loader entry below fails) and, beside it, a reference
// window whose WM_PAINT runs the same paint cycle (a memory DC and bitmap of the same band, one
// BitBlt, release) around a single fill. Each figure is the median over REPETITIONS batches of PAINTS
// InvalidateRect+UpdateWindow cycles (a hover change: WM_MOUSEMOVE to another button, then
// UpdateWindow), the two windows' batches taken in pairs; the median of the pairs' ratios is the
// figure that survives a noisy machine, the median of their differences the browser's own cost.
// Then a pointer sweep across the toolbar compares WM_PAINTs with hover changes. Prints its part of
// the table that bench/run shows.
#include "app/startup.h"
#include "app/state.h"
#include "app/toolbar.h"
#include "app/window.h"

#include <WebView2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

// trov_core refers to the engine loader; the band is measured without a web view.
extern "C" HRESULT __stdcall CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*) {
    return E_NOTIMPL;
}

namespace {

constexpr int kWidths[] = {800, 1184, 1920, 3840};
constexpr int kClientHeight = 760;
constexpr int kSweepY = 30;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

HWND browser = nullptr;
HWND reference = nullptr;
WNDPROC productProc = nullptr;
int paintCount = 0;
int leaveCount = 0;
POINT restingPointer = {};
int referenceBandHeight = 0;

// Windows wider than the 1600-pixel Wine desktop are allowed, as on a large monitor.
void AllowAnySize(UINT message, LPARAM lParam) {
    if (message == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = POINT{10000, 10000};
}

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) ++paintCount;
    if (message == WM_MOUSELEAVE) ++leaveCount;
    const LRESULT result = CallWindowProcW(productProc, hwnd, message, wParam, lParam);
    AllowAnySize(message, lParam);
    return result;
}

void FillWhite(HDC hdc, const RECT& rc) {
    RECT band = {0, 0, rc.right, referenceBandHeight};
    FillRect(hdc, &band, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

// The browser's own paint cycle around a plain fill in place of the band's content.
LRESULT CALLBACK ReferenceProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintBuffered(hwnd, referenceBandHeight, FillWhite);
        return 0;
    }
    const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
    AllowAnySize(message, lParam);
    return result;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

LONGLONG Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Microseconds(LONGLONG ticks) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(ticks) * 1e6 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Sizes the window so that its client area is width by kClientHeight, at the desktop's corner.
void SetClientWidth(HWND hwnd, int width) {
    RECT outer = {0, 0, width, kClientHeight};
    AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
    SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    if (ClientWidth(hwnd) != width) {
        std::fprintf(stderr, "paint_bench: client width %d instead of %d\n", ClientWidth(hwnd), width);
        std::exit(2);
    }
}

// Only the window being timed is shown, so that neither covers the other.
void ShowOnly(HWND hwnd) {
    ShowWindow(hwnd == browser ? reference : browser, SW_HIDE);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    Pump();
}

// Microseconds per full repaint.
double TimeRepaints(HWND hwnd, int paints) {
    const LONGLONG begin = Now();
    for (int i = 0; i < paints; ++i) {
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
    }
    return Microseconds(Now() - begin) / paints;
}

LPARAM SlotCentre(int slot) {
    const RECT r = SlotRect(slot, CurrentSlotLayout(ClientWidth(browser)));
    return MAKELPARAM((r.left + r.right) / 2, kSweepY);
}

// Microseconds per hover change: the pointer moves between the back and forward buttons.
double TimeHoverChanges(int changes) {
    const LPARAM points[2] = {SlotCentre(kSlotBack), SlotCentre(kSlotForward)};
    const int paintsBefore = paintCount;
    const LONGLONG begin = Now();
    for (int i = 0; i < changes; ++i) {
        SendMessageW(browser, WM_MOUSEMOVE, 0, points[i % 2]);
        UpdateWindow(browser);
    }
    const double perChange = Microseconds(Now() - begin) / changes;
    if (paintCount - paintsBefore != changes) {
        std::fprintf(stderr, "paint_bench: %d paints for %d hover changes\n", paintCount - paintsBefore, changes);
    }
    hoverIndex = kSlotNone;
    return perChange;
}

struct Figure {
    double trov;
    double bare;
    double ratio;
    double extra;
};

// The two windows' batches are taken in pairs, in alternating order, so that a slow spell of the
// machine falls on both: the ratio is the median of the pairs' ratios, the extra cost the median of
// their differences.
template <typename TrovBatch>
Figure Measure(int repetitions, int paints, TrovBatch trovBatch) {
    std::vector<double> trov, bare, ratio, extra;
    for (int i = 0; i <= repetitions; ++i) {  // the first pair warms up and is not kept
        double t = 0, b = 0;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (i % 2 == 0)) {
                ShowOnly(browser);
                t = trovBatch(paints);
            } else {
                ShowOnly(reference);
                b = TimeRepaints(reference, paints);
            }
        }
        if (i > 0) {
            trov.push_back(t);
            bare.push_back(b);
            ratio.push_back(t / b);
            extra.push_back(t - b);
        }
    }
    return Figure{Median(trov), Median(bare), Median(ratio), Median(extra)};
}

void PrintRow(const char* what, int width, const Figure& f) {
    std::printf("  %-24s %5d %10.1f %10.1f %8.2f %10.1f\n", what, width, f.trov, f.bare, f.ratio, f.extra);
}

// Every pixel of the toolbar at y = kSweepY, left to right, paints pumped after each move.
void Sweep(int width) {
    ShowOnly(browser);
    hoverIndex = kSlotNone;
    int changes = 0;
    const int paintsBefore = paintCount;
    for (int x = 0; x < width; ++x) {
        int before = hoverIndex;
        SendMessageW(browser, WM_MOUSEMOVE, 0, MAKELPARAM(x, kSweepY));
        if (hoverIndex != before) ++changes;
        before = hoverIndex;
        Pump();
        if (hoverIndex != before) ++changes;
    }
    const int paints = paintCount - paintsBefore;
    std::printf("  %5d %10d %14d   %s\n", width, paints, changes, paints == changes ? "EQUAL" : "NOT EQUAL");
}

// After a sweep the real pointer leaves the window, as a person's would: the leave tracking armed
// by the last hover change sends WM_MOUSELEAVE (Wine notices on its tracking timer).
void LeaveAfterSweep() {
    const int hoverBefore = hoverIndex;
    const int paintsBefore = paintCount;
    const int leavesBefore = leaveCount;
    POINT away = {4, kClientHeight + 40};
    ClientToScreen(browser, &away);
    SetCursorPos(away.x, away.y);
    for (int waited = 0; waited < 2000 && leaveCount == leavesBefore; waited += 10) {
        Sleep(10);
        Pump();
    }
    Pump();
    const int paints = paintCount - paintsBefore;
    const int changes = hoverIndex != hoverBefore ? 1 : 0;
    std::printf("  %5s %10d %14d   then the pointer leaves the window (%d WM_MOUSELEAVE; a leave always "
                "repaints)\n",
                "leave", paints, changes, leaveCount - leavesBefore);
    SetCursorPos(restingPointer.x, restingPointer.y);
    Pump();
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const int paints = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    HINSTANCE instance = GetModuleHandleW(nullptr);

    StartProcessFacilities();
    RegisterBrowserClass(instance);
    browser = CreateBrowserWindow(instance);
    productProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(browser, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ReferenceProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TrovBenchReference";
    RegisterClassExW(&wc);
    reference = CreateWindowExW(0, wc.lpszClassName, L"Reference", kStyle, 0, 0, 1200, 800, nullptr, nullptr,
                                instance, nullptr);

    // The real pointer rests on the browser's client area, clear of the address bar, so that the
    // leave tracking the toolbar arms does not fire while messages stand in for the pointer.
    ShowOnly(browser);
    restingPointer = POINT{4, 4};
    ClientToScreen(browser, &restingPointer);
    SetCursorPos(restingPointer.x, restingPointer.y);
    Pump();

    std::printf("Paint cost (us per paint, median of %d batches of %d; bare = memory DC + bitmap + fill + "
                "BitBlt of the same band;\n"
                "ratio and extra = medians of the ratios and differences of paired batches)\n",
                repetitions, paints);
    std::printf("  %-24s %5s %10s %10s %8s %10s\n", "band", "width", "trov", "bare", "ratio", "extra");
    for (int width : kWidths) {
        SetClientWidth(browser, width);
        SetClientWidth(reference, width);
        for (bool open : {false, true}) {
            for (bool loading : {false, true}) {
                menuOpen = open;
                isLoading = loading;
                hoverIndex = kSlotNone;
                referenceBandHeight = BandHeight();
                const Figure f =
                    Measure(repetitions, paints, [](int n) { return TimeRepaints(browser, n); });
                char what[64];
                std::snprintf(what, sizeof(what), "menu %s, %s", open ? "open" : "closed",
                              loading ? "loading" : "idle");
                PrintRow(what, width, f);
            }
        }
        menuOpen = false;
        isLoading = false;
        referenceBandHeight = BandHeight();
        PrintRow("hover change", width, Measure(repetitions, paints, TimeHoverChanges));
    }

    std::printf("\nRepaint economy: pointer sweep at y = %d, x = 0..width-1 (menu closed)\n", kSweepY);
    std::printf("  %5s %10s %14s\n", "width", "WM_PAINTs", "hover changes");
    for (int width : kWidths) {
        SetClientWidth(browser, width);
        Sweep(width);
    }
    LeaveAfterSweep();

    DestroyWindow(reference);
    DestroyWindow(browser);
    StopProcessFacilities();
    return 0;
}
