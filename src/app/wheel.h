// The mouse wheel with Ctrl and Alt held: watched on a thread of its own.
#ifndef HAZURO_WHEEL_H
#define HAZURO_WHEEL_H

#include <windows.h>

// Posted to the owner for a turn that is hazuro's: the window in wParam, the
// turn's delta in the low word of lParam, Shift held in the high word.
enum { WM_WHEEL_TURNED = WM_APP + 1 };

// Starts or stops watching the wheel for owner: low-level hooks on a thread
// of their own, which exists only while on.
void WatchWheel(HWND owner, bool on);

#endif
