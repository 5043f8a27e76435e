// The windows under the user's hand: the active one and the one under the
// pointer shown opaque, and the opacity the mouse wheel gives.
#ifndef HAZURO_POINTER_H
#define HAZURO_POINTER_H

#include <windows.h>

// The top-level window under pt whose opacity a turn of the wheel changes, or NULL
// where the turn is none of hazuro's: over hazuro's own windows (those of
// ownProcess), the shell's surfaces and windows layered by their own program.
// It only reads, so the thread that watches the wheel may ask.
HWND WheelTargetAt(POINT pt, DWORD ownProcess);

// Turns hwnd's opacity by delta of the wheel (WHEEL_DELTA a notch, away from
// the user up), finely with Shift: a window not yet layered is faded as a
// press fades it, and one that hazuro faded keeps its new opacity as its own.
void TurnWheel(HWND hwnd, int delta, bool fine);

// Shows fully opaque the faded window that is active, or that owns the
// active window, with active, and likewise the one under the pointer with
// hovered; a window they leave takes back its faded look.
void ShowWindowsOpaque(bool active, bool hovered);

#endif
