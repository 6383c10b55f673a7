// What the tests hold the browser to, written once: the band's sizes, the toolbar's colours and the
// accessibility interface's id, as the browser must show and answer them.
#pragma once

#include <windows.h>

inline constexpr int kBandHeight = 64;  // the toolbar band; the menu panel starts below it
inline constexpr int kButtonEdge = 48;  // a button's painted square

inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kSentinel = RGB(255, 0, 255);  // never painted by the browser
inline constexpr COLORREF kGlyph = RGB(50, 50, 50);
inline constexpr COLORREF kHoverFill = RGB(235, 235, 235);
inline constexpr COLORREF kCloseHoverFill = RGB(232, 17, 35);
inline constexpr COLORREF kRule = RGB(230, 230, 230);
inline constexpr COLORREF kLoading = RGB(0, 120, 212);

// Our own copy: the oleacc library's IID_IAccessible is the DLL's import entry, not the GUID.
inline constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
