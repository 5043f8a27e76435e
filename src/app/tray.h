// hazuro's icon in the notification area.
#ifndef HAZURO_TRAY_H
#define HAZURO_TRAY_H

#include <windows.h>

enum {
    WM_TRAY_ICON = WM_APP + 2,  // the icon's news for its owner: the mouse message in lParam
    TRAY_ICON_ID = 1            // the owner's one icon
};

// The icon's picture: the program's small icon, at the system's size.
extern HICON TrayIconImage;

// Puts owner's icon in the notification area, or takes it away; false when
// the shell cannot take it now (not ready at sign-in, say).
bool SetTrayIcon(HWND owner, bool shown);

// Shows the main window of another run of this very hazuro.exe, restored and
// in front; false when there is none.
bool ShowRunningCopy();

#endif
