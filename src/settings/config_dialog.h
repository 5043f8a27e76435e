// The modal settings dialog "CONFIGDLG".
#ifndef HAZURO_CONFIG_DIALOG_H
#define HAZURO_CONFIG_DIALOG_H

#include <windows.h>

// The opacity the scroll bar shows while the dialog is open.
extern int PendingAlpha;

// The opacity after one WM_HSCROLL with scrollCode and the thumb at thumbPosition.
int ScrollAlpha(int alpha, int scrollCode, int thumbPosition);

INT_PTR CALLBACK ConfigDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

#endif
