// The keys that are the browser's own rather than the page's: the zoom keys, answered here as the
// runtime answers them, and the keys that would open Chromium's own windows, which go nowhere.
#pragma once

#include <windows.h>

#include <string>

enum class BrowserKey { None, ZoomIn, ZoomOut, ZoomReset, Withheld };

// `modifiers` in the protocol's bits (ProtocolModifiers).
BrowserKey BrowserKeyFor(WPARAM virtualKey, int modifiers);

// The engine's range of zoom factors, its first and last preset levels.
inline constexpr double kMinZoomFactor = 0.25;
inline constexpr double kMaxZoomFactor = 5.0;

// The zoom factor `steps` preset levels above (below, when negative) `factor`, kept within the
// first and the last level; a factor between two levels moves to the next one in that direction.
double SteppedZoom(double factor, int steps);

// How the log writes a factor: "1", "1.25", "0.33".
std::wstring ZoomText(double factor);
