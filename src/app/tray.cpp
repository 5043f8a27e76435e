#include "app/tray.h"

#include <shellapi.h>

#include "transparency/match.h"

HICON TrayIconImage;

// The first version of the structure: every Windows takes it.
bool SetTrayIcon(HWND owner, bool shown)
{
    NOTIFYICONDATAA icon;
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = owner;
    icon.uID = TRAY_ICON_ID;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_TRAY_ICON;
    icon.hIcon = TrayIconImage;
    lstrcpynA(icon.szTip, "hazuro", sizeof icon.szTip);
    if (!shown)
        return Shell_NotifyIconA(NIM_DELETE, &icon) != 0;
    // An icon added but not reported so, by a shell that was busy, is there.
    return Shell_NotifyIconA(NIM_ADD, &icon) || Shell_NotifyIconA(NIM_MODIFY, &icon);
}

// Told as a click on its icon would tell it. Started by the user, this run
// may bring a window to the front, and hands that on.
bool ShowRunningCopy()
{
    char own[MAX_PATH];
    char other[MAX_PATH];
    GetModuleFileNameA(NULL, own, MAX_PATH);
    for (HWND h = NULL; (h = FindWindowExA(NULL, h, "HAZURO_CLASS", NULL)) != NULL;) {
        ReadImagePath(ProcessOf(h), other);
        if (lstrcmpiA(own, other) == 0) {
            PostMessageA(h, WM_TRAY_ICON, TRAY_ICON_ID, WM_LBUTTONUP);
            SetForegroundWindow(h);
            return true;
        }
    }
    return false;
}
