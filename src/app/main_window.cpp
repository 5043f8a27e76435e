#include "app/main_window.h"

#include "app/hotkey.h"
#include "app/tray.h"
#include "app/wheel.h"
#include "resource.h"
#include "settings/config_dialog.h"
#include "settings/settings.h"
#include "transparency/command.h"
#include "transparency/pointer.h"
#include "transparency/sweep.h"

HFONT hFontLarge;  // the apply button's font; lives as long as the main window
HFONT hFontSmall;  // the settings button's font; lives as long as the main window

enum {
    AUTO_FADE_TIMER = 1,
    AUTO_FADE_INTERVAL_MS = 1000,
    HOTKEY_RELEASE_TIMER = 2,  // runs while the shortcut key is held
    HOTKEY_RELEASE_POLL_MS = 50,
    PEEK_HOLD_MS = 500,        // held this long, the key acts only while it is held
    // Where Windows hides the keyboard's state from hazuro (a program run as
    // administrator is in front), only the key's auto-repeats tell that it is
    // held: the first comes a second after the press at the latest.
    HOTKEY_REPEAT_WAIT_MS = 1100,
    OPAQUE_LOOK_TIMER = 3,     // runs while the active window or the one under the pointer is shown opaque
    OPAQUE_LOOK_POLL_MS = 250,
    TRAY_RETRY_TIMER = 4,      // runs while the shell does not take the icon yet
    TRAY_RETRY_MS = 3000
};

static UINT TaskbarCreated;  // Explorer's news that it started: its notification area is new and empty

static UINT HeldHotkey;  // the shortcut key's virtual key from its press to its release, else 0
static DWORD HotkeyPressedAt;  // when the held key's press came
static DWORD HotkeySeenHeldAt;  // the last time the held key was seen down or repeated
static bool HotkeyReadDown;     // the held key's state could be read: seen down since its press
static bool HotkeyGaveBack;    // the held key's press gave windows back

static HFONT CreateUiFont(int height, const char *face)
{
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DRAFT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

typedef UINT(WINAPI *GetDpiForWindowProc)(HWND);

// The window's own DPI where Windows keeps one per window (10 and later),
// else the screen's.
static int DpiOf(HWND hwnd)
{
    GetDpiForWindowProc getDpiForWindow = (GetDpiForWindowProc)(void (*)())GetProcAddress(
        GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    if (getDpiForWindow != NULL)
        return getDpiForWindow(hwnd);
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return dpi;
}

// Pixels at 96 DPI, the layout's own measure, at dpi.
static int Scaled(int pixels, int dpi)
{
    return (pixels * dpi + USER_DEFAULT_SCREEN_DPI / 2) / USER_DEFAULT_SCREEN_DPI;
}

static void PlaceButton(HWND parent, int id, int x, int y, int width, int height, HFONT font,
                        int dpi)
{
    HWND button = GetDlgItem(parent, id);
    SetWindowPos(button, NULL, Scaled(x, dpi), Scaled(y, dpi), Scaled(width, dpi),
                 Scaled(height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(button, WM_SETFONT, (WPARAM)font, FALSE);
}

// Makes the fonts and places the buttons and the client area for dpi. The
// fonts made before, if any, are the caller's to delete.
static void LayOut(HWND hwnd, int dpi)
{
    hFontLarge = CreateUiFont(Scaled(50, dpi), "ＭＳ 明朝");
    hFontSmall = CreateUiFont(Scaled(15, dpi), "ＭＳ ゴシック");
    PlaceButton(hwnd, IDC_APPLY, 10, 10, 350, 70, hFontLarge, dpi);
    PlaceButton(hwnd, IDC_CONFIG, 10, 90, 350, 25, hFontSmall, dpi);
    SetClientSize(hwnd, Scaled(370, dpi), Scaled(125, dpi));
}

void SetClientSize(HWND hwnd, int cx, int cy)
{
    RECT client, frame;
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &frame);
    int width = (frame.right - frame.left) + cx - client.right;
    int height = (frame.bottom - frame.top) + cy - client.bottom;
    SetWindowPos(hwnd, NULL, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER);
}

// The notification area's menu, in its order; the system menu takes its part
// from the first separator to 元に戻す. The switches stand in Switch's order.
static const WORD kMenuItems[] = {IDM_SHOW,  IDC_APPLY,  0, IDM_AUTO, IDM_ACTIVE, IDM_HOVER,
                                  IDM_WHEEL, IDM_EXIT_RESTORE, IDM_TRAY, IDM_RESTORE, 0,
                                  IDC_CONFIG, SC_CLOSE};
static const char kMenuTexts[] = "表示(&S)\0"
                                 "半透明にする(&H)\0"
                                 "\0"
                                 "自動で半透明にする(&A)\0"
                                 "アクティブなウィンドウは不透明にする(&O)\0"
                                 "マウスの下のウィンドウは不透明にする(&M)\0"
                                 "Ctrl+Alt+ホイールで透明度を変える(&W)\0"
                                 "終了時に元に戻す(&X)\0"
                                 "タスクトレイに入れる(&T)\0"
                                 "元に戻す(&R)\0"
                                 "\0"
                                 "設定(&C)...\0"
                                 "終了(&Q)";
enum {
    FIRST_SWITCH_ITEM = 3,
    SYSTEM_MENU_FIRST_ITEM = 2,
    SYSTEM_MENU_ITEM_END = 10,
    MENU_ITEM_COUNT = sizeof kMenuItems / sizeof kMenuItems[0]
};

static void AppendMenuItems(HMENU menu, int first, int end)
{
    const char *text = kMenuTexts;
    for (int i = 0; i < end; ++i) {
        if (i >= first)
            AppendMenuA(menu, kMenuItems[i] != 0 ? MF_STRING : MF_SEPARATOR, kMenuItems[i], text);
        while (*text++ != '\0') {
        }
    }
}

// Each switch checked as it stands, 元に戻す greyed while nothing can be given back.
static void UpdateCommandItems(HMENU menu)
{
    for (int i = 0; i < SWITCH_COUNT; ++i)
        CheckMenuItem(menu, kMenuItems[FIRST_SWITCH_ITEM + i],
                      Settings.switches[i] ? MF_CHECKED : MF_UNCHECKED);
    EnableMenuItem(menu, IDM_RESTORE, FadedWindowCount() > 0 ? MF_ENABLED : MF_GRAYED);
}

static void RunTimer(HWND hwnd, UINT timer, bool on, UINT intervalMs)
{
    if (on)
        SetTimer(hwnd, timer, intervalMs, NULL);
    else
        KillTimer(hwnd, timer);
}

// Runs what the switches ask for, and off, nothing at all. The opaque look is
// a short poll: an event hook on the foreground would be thriftier, but Wine
// reports no other program's events to one, so it could not be tested here.
static void ApplySwitches(HWND hwnd)
{
    const bool *on = Settings.switches;
    RunTimer(hwnd, AUTO_FADE_TIMER, on[SWITCH_AUTO], AUTO_FADE_INTERVAL_MS);
    RunTimer(hwnd, OPAQUE_LOOK_TIMER, on[SWITCH_ACTIVE] || on[SWITCH_HOVER], OPAQUE_LOOK_POLL_MS);
    ShowWindowsOpaque(on[SWITCH_ACTIVE], on[SWITCH_HOVER]);
    WatchWheel(hwnd, on[SWITCH_WHEEL]);
    // At sign-in the shell may not take the icon yet: tried again until it does.
    RunTimer(hwnd, TRAY_RETRY_TIMER, on[SWITCH_TRAY] && !SetTrayIcon(hwnd, true), TRAY_RETRY_MS);
}

// Restored and in front, or the dialog or message box it has open.
static void ShowMainWindow(HWND hwnd)
{
    ShowWindow(hwnd, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(hwnd));
}

// As notification-area menus must: in front while open, so that a click
// elsewhere or Esc closes it, and a message after it, so that it closes at
// once. The command chosen comes as WM_COMMAND.
static void OpenTrayMenu(HWND hwnd)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuItems(menu, 0, MENU_ITEM_COUNT);
    UpdateCommandItems(menu);
    SetMenuDefaultItem(menu, IDM_SHOW, FALSE);
    POINT pt;
    GetCursorPos(&pt);
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, NULL);
    PostMessageA(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

static void Toggle(HWND hwnd, int which)
{
    Settings.switches[which] = !Settings.switches[which];
    ApplySwitches(hwnd);
    if (which == SWITCH_TRAY && !Settings.switches[SWITCH_TRAY]) {
        SetTrayIcon(hwnd, false);
        if (!IsWindowVisible(hwnd))
            ShowMainWindow(hwnd);
    }
    if (!SaveSwitch((Switch)which))
        ShowSaveFailure(hwnd);
}

// After giving back: left on, the automatic mode would fade the windows again
// at once. A failed save is said with the windows back.
static void StopAutoFade(HWND hwnd)
{
    if (Settings.switches[SWITCH_AUTO])
        Toggle(hwnd, SWITCH_AUTO);
}

// Closing hazuro: its icon goes, and a window shown opaque keeps its mark, so
// it must look as the mark says, unless all is given back.
static void GiveBackAtExit(HWND hwnd)
{
    if (Settings.switches[SWITCH_TRAY])
        SetTrayIcon(hwnd, false);
    if (Settings.switches[SWITCH_EXIT_RESTORE])
        RestoreFadedWindows();
    else
        ShowWindowsOpaque(false, false);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TaskbarCreated) {
        ApplySwitches(hwnd);
        return 0;
    }
    switch (message) {
    case WM_CREATE: {
        // Placed and given their fonts by LayOut, for the window's DPI.
        HINSTANCE instance = GetModuleHandleA(NULL);
        CreateWindowExA(0, "BUTTON", "hazuro", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 0, 0,
                        0, hwnd, (HMENU)(INT_PTR)IDC_APPLY, instance, NULL);
        CreateWindowExA(0, "BUTTON", "設定", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0,
                        hwnd, (HMENU)(INT_PTR)IDC_CONFIG, instance, NULL);
        LayOut(hwnd, DpiOf(hwnd));
        AppendMenuItems(GetSystemMenu(hwnd, FALSE), SYSTEM_MENU_FIRST_ITEM, SYSTEM_MENU_ITEM_END);
        TaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
        ApplySwitches(hwnd);
        return 0;
    }

    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_APPLY:
            RunTransparencySweep();
            return 0;
        case IDC_CONFIG: {
            // While the dialog is open the shortcut key is typed into its field, not pressed.
            bool hadHotkey = UnregisterHotKey(hwnd, HOTKEY_ID) != 0;
            // -1, the dialog's failure value, saves too: the settings are unchanged then.
            INT_PTR result = DialogBoxParamA(GetModuleHandleA(NULL), "CONFIGDLG", hwnd,
                                             ConfigDlgProc, 0);
            if (result != 0 && !SaveSettings())
                ShowSaveFailure(hwnd);
            // OK takes the new key at once; Cancel gives the old one back.
            if (result != 0 || hadHotkey)
                ApplyHotkey(hwnd);
            return 0;
        }
        }
        // The notification area's menu sends the system menu's commands so.
        [[fallthrough]];
    case WM_SYSCOMMAND:
        // The system keeps the low four bits of the command for itself.
        for (int i = 0; i < SWITCH_COUNT; ++i) {
            if ((wParam & 0xFFF0) == kMenuItems[FIRST_SWITCH_ITEM + i]) {
                Toggle(hwnd, i);
                return 0;
            }
        }
        if ((wParam & 0xFFF0) == IDM_RESTORE) {
            RestoreFadedWindows();
            StopAutoFade(hwnd);
            return 0;
        }
        if ((wParam & 0xFFF0) == IDM_SHOW) {
            ShowMainWindow(hwnd);
            return 0;
        }
        return DefWindowProcA(hwnd, WM_SYSCOMMAND, wParam, lParam);

    case WM_INITMENUPOPUP:
        if (HIWORD(lParam))  // the system menu
            UpdateCommandItems((HMENU)wParam);
        return 0;

    case WM_TRAY_ICON:
        // With a dialog or a message box open, any click brings it to the front.
        if (lParam == WM_RBUTTONUP && GetLastActivePopup(hwnd) == hwnd)
            OpenTrayMenu(hwnd);
        else if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP)
            ShowMainWindow(hwnd);
        return 0;

    case WM_SIZE:
        // Minimised with its icon in the notification area, it leaves the
        // taskbar and Alt+Tab.
        if (wParam == SIZE_MINIMIZED && Settings.switches[SWITCH_TRAY])
            ShowWindow(hwnd, SW_HIDE);
        return 0;

    case WM_WHEEL_TURNED:
        TurnWheel((HWND)wParam, (short)LOWORD(lParam), HIWORD(lParam) != 0);
        return 0;

    case WM_HOTKEY:
        // Windows sends WM_HOTKEY again at every auto-repeat of a held key: one
        // press toggles once. Its release is watched only once the press is
        // done, so that no second press is taken while a message box of the
        // first is open.
        if (wParam == HOTKEY_ID) {
            DWORD now = GetTickCount();
            HotkeySeenHeldAt = now;
            if (HeldHotkey != 0)
                return 0;
            HeldHotkey = HIWORD(lParam);
            HotkeyPressedAt = now;
            HotkeyReadDown = GetAsyncKeyState(HeldHotkey) < 0;
            HotkeyGaveBack = ToggleFadedWindows();
            SetTimer(hwnd, HOTKEY_RELEASE_TIMER, HOTKEY_RELEASE_POLL_MS, NULL);
        }
        return 0;

    case WM_TIMER:
        // While the key holds windows given back, they stay so.
        if (wParam == AUTO_FADE_TIMER && !(HeldHotkey != 0 && HotkeyGaveBack)) {
            RunAutomaticSweep(hwnd);
        } else if (wParam == TRAY_RETRY_TIMER) {
            ApplySwitches(hwnd);
        } else if (wParam == OPAQUE_LOOK_TIMER) {
            ShowWindowsOpaque(Settings.switches[SWITCH_ACTIVE], Settings.switches[SWITCH_HOVER]);
        } else if (wParam == HOTKEY_RELEASE_TIMER) {
            DWORD now = GetTickCount();
            if (GetAsyncKeyState(HeldHotkey) < 0) {
                HotkeyReadDown = true;
                HotkeySeenHeldAt = now;
                return 0;
            }
            if (!HotkeyReadDown && now - HotkeySeenHeldAt < HOTKEY_REPEAT_WAIT_MS)
                return 0;
            // Held, the key only peeks: all is as before its press. Pressed,
            // it toggles, and giving back turns the automatic mode off.
            KillTimer(hwnd, HOTKEY_RELEASE_TIMER);
            if (HotkeySeenHeldAt - HotkeyPressedAt >= PEEK_HOLD_MS)
                UndoLastChanges();
            else if (HotkeyGaveBack)
                StopAutoFade(hwnd);
            HeldHotkey = 0;
        }
        return 0;

    case WM_DPICHANGED: {
        // Moved to a monitor of another scale: where Windows suggests, then our layout.
        const RECT *suggested = (const RECT *)lParam;
        SetWindowPos(hwnd, NULL, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        HFONT oldLarge = hFontLarge;
        HFONT oldSmall = hFontSmall;
        LayOut(hwnd, HIWORD(wParam));
        DeleteObject(oldLarge);
        DeleteObject(oldSmall);
        return 0;
    }

    case WM_CLOSE:
        // Sent while a command waits on another program: carried out after
        // the command, or the command would go on fading after the give-back.
        if (CommandRunning()) {
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        break;

    case WM_ENDSESSION:
        // An installer's Restart Manager closes hazuro alone, as the close box
        // does. At the end of the session every window goes with it: nothing
        // is given back, and nothing waits on programs busy closing.
        if (wParam && (lParam & ENDSESSION_CLOSEAPP))
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;

    case WM_DESTROY:
        GiveBackAtExit(hwnd);
        DeleteObject(hFontLarge);
        DeleteObject(hFontSmall);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
