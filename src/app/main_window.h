// The main window: the apply button and the settings button.
#ifndef HAZURO_MAIN_WINDOW_H
#define HAZURO_MAIN_WINDOW_H

#include <windows.h>

extern HFONT hFontLarge;
extern HFONT hFontSmall;

// Resizes hwnd, without moving it, so that its client area is cx x cy pixels.
void SetClientSize(HWND hwnd, int cx, int cy);

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
