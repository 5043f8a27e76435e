// Entry point: the start-up check, the main window and the message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/hotkey.h"
#include "app/main_window.h"
#include "app/tray.h"
#include "settings/settings.h"
#include "transparency/mark.h"

static const char kErrorCaption[] = "エラー";

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow)
{
    switch (LoadLayeredWindowSupport()) {
    case LAYERED_NO_USER32:
        MessageBoxA(NULL, "user32.dllの読み込みに失敗しました。", kErrorCaption,
                    MB_TOPMOST | MB_ICONERROR);
        return 1;
    case LAYERED_NO_FUNCTION:
        MessageBoxA(NULL,
                    "この環境には対応していません。\r\n"
                    "Windows2000以降のWindows OSを使用してください。",
                    kErrorCaption, MB_TOPMOST | MB_ICONERROR);
        return 1;
    case LAYERED_OK:
        break;
    }

    LoadSettings();
    // With its icon in the notification area, hazuro runs once: a second
    // start of the same hazuro.exe shows the first, and says nothing.
    bool inTray = Settings.switches[SWITCH_TRAY];
    if (inTray && ShowRunningCopy())
        return 0;

    // The settings dialog's shortcut-key field is a common control.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);

    WNDCLASSEXA wc;
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    // At the system's sizes, which grow with the display scale.
    wc.hIcon = (HICON)LoadImageA(hInstance, "MAINICON", IMAGE_ICON, 0, 0,
                                 LR_DEFAULTSIZE | LR_SHARED);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    // A system colour, so that a change of theme or of high contrast is followed.
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = "HAZURO_CLASS";
    // Not shared: a shared load may hand back the large image already loaded.
    int small = GetSystemMetrics(SM_CXSMICON);
    TrayIconImage = wc.hIconSm =
        (HICON)LoadImageA(hInstance, "MAINICON", IMAGE_ICON, small, small, 0);
    RegisterClassExA(&wc);

    HWND window = CreateWindowExA(0, "HAZURO_CLASS", "hazuro Ver1.00",
                                  WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, 0,
                                  CW_USEDEFAULT, 0, NULL, NULL, hInstance, NULL);
    if (window == NULL)
        return 0;
    // Started minimised with its icon in the notification area, it goes
    // straight there: never shown, not even as a taskbar button.
    const int minimised = 1 << SW_SHOWMINIMIZED | 1 << SW_MINIMIZE | 1 << SW_SHOWMINNOACTIVE |
                          1 << SW_FORCEMINIMIZE;
    if (!inTray || nCmdShow > SW_FORCEMINIMIZE || !(minimised >> nCmdShow & 1))
        ShowWindow(window, nCmdShow);
    UpdateWindow(window);
    // Now, so that a message about the key has its owner on screen.
    ApplyHotkey(window);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    return (int)msg.wParam;
}

// The process starts here, not in the C runtime's start-up code, which would
// double the file and which nothing here needs. Keep it so: without it no
// static constructor or atexit handler runs, and nothing may be thrown.
extern "C" void WINAPI HazuroStart()
{
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, NULL, show));
}
