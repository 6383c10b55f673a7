// Zooming the page from Trov's own keys, in the engine's steps, wherever the keyboard is.
#pragma once

enum class ZoomStep { In, Out, Reset };

// The zoom factor one step from `current` in Chromium's preset steps (25 % to 500 %): the next
// larger or smaller step (a factor between two steps goes to the next one that way), held at the
// first and the last; 1 for Reset.
double NextZoomFactor(double current, ZoomStep step);

// Sets the controller's zoom factor one step from the factor the page shows now; nothing without a
// ready engine.
void ZoomPage(ZoomStep step);

// ZoomFactorChanged: the page shows this factor now.
void NoteZoomShown(double factor);

// A new view starts at 100 %.
void ForgetZoom();
