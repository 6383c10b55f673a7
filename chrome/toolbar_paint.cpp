#include "chrome/toolbar_paint.h"

#include "app/state.h"
#include "chrome/paint_owners.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

constexpr COLORREF kBandBackground = RGB(255, 255, 255);
constexpr COLORREF kHoverFill = RGB(235, 235, 235);
constexpr COLORREF kCloseHoverFill = RGB(232, 17, 35);
constexpr COLORREF kGlyphColour = RGB(50, 50, 50);
constexpr COLORREF kCloseHoverGlyphColour = RGB(255, 255, 255);
constexpr COLORREF kRuleColour = RGB(230, 230, 230);
constexpr COLORREF kLoadingColour = RGB(0, 120, 212);
constexpr ARGB kFrameFill = 0xFFF6F6F6;
constexpr ARGB kFrameBorder = 0xFFDCDCDC;
constexpr int kFrameMargin = 6;
constexpr int kFrameCornerDiameter = 20;

void PaintButton(HDC hdc, const ButtonFace& button, bool hovered) {
    const RECT& r = button.square;
    if (hovered) FillSolid(hdc, r, button.redHover ? kCloseHoverFill : kHoverFill);
    const COLORREF colour = (hovered && button.redHover) ? kCloseHoverGlyphColour : kGlyphColour;
    button.glyph(hdc, r.left, r.top, r.right - r.left, colour);
}

// A 6-pixel rounded rim around the address bar; the bar itself covers the middle.
void PaintAddressBarFrame(HDC hdc) {
    RECT erc;
    GetWindowRect(hAddressBar, &erc);
    MapWindowPoints(nullptr, hMainWnd, reinterpret_cast<POINT*>(&erc), 2);
    InflateRect(&erc, kFrameMargin, kFrameMargin);

    // Created in this order, deleted in reverse when the owners leave scope.
    GdipOwned<GpGraphics> graphics;
    GdipCreateFromHDC(hdc, graphics.Out());
    GdipSetSmoothingMode(graphics.Get(), SmoothingModeAntiAlias);
    GdipOwned<GpSolidFill> bgBrush;
    GdipCreateSolidFill(kFrameFill, bgBrush.Out());
    GdipOwned<GpPen> borderPen;
    GdipCreatePen1(kFrameBorder, 1.0f, UnitWorld, borderPen.Out());

    const int d = kFrameCornerDiameter;
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

}  // namespace

int LoadingBarLength(int clientWidth) { return static_cast<int>(static_cast<float>(clientWidth) * 0.4f); }

void PaintToolbar(HDC hdc, RECT rc, const ButtonFace* buttons, int count) {
    const int width = rc.right;
    FillSolid(hdc, RECT{0, 0, width, toolbarHeight}, kBandBackground);

    for (int slot = 0; slot < count; ++slot) PaintButton(hdc, buttons[slot], hoverIndex == slot);

    if (hAddressBar) PaintAddressBarFrame(hdc);

    HPEN rulePen = CreatePen(PS_SOLID, 1, kRuleColour);
    HGDIOBJ oldPen = SelectObject(hdc, rulePen);
    MoveToEx(hdc, 0, toolbarHeight - 1, nullptr);
    LineTo(hdc, width, toolbarHeight - 1);

    HPEN loadingPen = nullptr;
    if (isLoading) {
        // Round-ended, centred on the band's second-to-last row, over the rule.
        loadingPen = CreatePen(PS_SOLID, 4, kLoadingColour);
        SelectObject(hdc, loadingPen);
        MoveToEx(hdc, 0, toolbarHeight - 2, nullptr);
        LineTo(hdc, LoadingBarLength(width), toolbarHeight - 2);
    }

    // No pen is deleted while it is still selected.
    SelectObject(hdc, oldPen);
    if (loadingPen) DeleteObject(loadingPen);
    DeleteObject(rulePen);
}
