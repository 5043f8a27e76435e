#include "app/wheel.h"

#include "transparency/match.h"
#include "transparency/pointer.h"

static HWND WheelOwner;      // the main window, told of each turn
static HANDLE WheelThread;   // runs the hooks while watching, else NULL
static DWORD WheelThreadId;
static HHOOK MouseHook;      // while Ctrl and Alt are held

static bool IsKeyDown(int key)
{
    return GetAsyncKeyState(key) < 0;
}

// Windows holds every mouse event of the system until this returns, and
// removes a hook that is slow: it only looks and posts, and the turns that are
// hazuro's go no further (the window under the pointer neither scrolls nor
// zooms).
static LRESULT CALLBACK WatchMouse(int code, WPARAM wParam, LPARAM lParam)
{
    const MSLLHOOKSTRUCT *event = (const MSLLHOOKSTRUCT *)lParam;
    int held = IsKeyDown(VK_CONTROL) + IsKeyDown(VK_MENU);
    if (held == 0)
        PostThreadMessageA(WheelThreadId, WM_NULL, 0, 0);  // no longer wanted
    if (code == HC_ACTION && wParam == WM_MOUSEWHEEL && held == 2 && !IsKeyDown(VK_LWIN) &&
        !IsKeyDown(VK_RWIN)) {
        HWND target = WheelTargetAt(event->pt, ProcessOf(WheelOwner));
        if (target != NULL) {
            PostMessageA(WheelOwner, WM_WHEEL_TURNED, (WPARAM)target,
                         MAKELPARAM(HIWORD(event->mouseData), IsKeyDown(VK_SHIFT)));
            return 1;
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static HHOOK Hook(int kind, HOOKPROC proc)
{
    return SetWindowsHookExA(kind, proc, GetModuleHandleA(NULL), 0);
}

// Every mouse event of the system would pass the mouse hook, every move of a
// hand on the mouse: it is there only while Ctrl or Alt is held. The thread
// looks after it once the key has passed.
static LRESULT CALLBACK WatchKeys(int code, WPARAM wParam, LPARAM lParam)
{
    PostThreadMessageA(WheelThreadId, WM_NULL, 0, 0);
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// On a thread of its own, so that no mouse event waits while the main window
// waits on a program that does not answer.
static DWORD WINAPI RunWheelHook(LPVOID)
{
    HHOOK keys = Hook(WH_KEYBOARD_LL, WatchKeys);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        // Windows changes a key's state only after the keyboard hook, perhaps
        // after this: a modifier read as up is caught by the other one's
        // press, one read as down by the mouse hook.
        bool held = IsKeyDown(VK_CONTROL) || IsKeyDown(VK_MENU);
        if (held && MouseHook == NULL) {
            MouseHook = Hook(WH_MOUSE_LL, WatchMouse);
        } else if (!held && MouseHook != NULL) {
            UnhookWindowsHookEx(MouseHook);
            MouseHook = NULL;
        }
    }
    UnhookWindowsHookEx(keys);
    UnhookWindowsHookEx(MouseHook);
    MouseHook = NULL;
    return 0;
}

void WatchWheel(HWND owner, bool on)
{
    if (on && WheelThread == NULL) {
        WheelOwner = owner;
        WheelThread = CreateThread(NULL, 0, RunWheelHook, NULL, 0, &WheelThreadId);
    } else if (!on && WheelThread != NULL) {
        // Again until it ends: a thread just started may have no message
        // queue yet to take it.
        while (WaitForSingleObject(WheelThread, 10) == WAIT_TIMEOUT)
            PostThreadMessageA(WheelThreadId, WM_QUIT, 0, 0);
        CloseHandle(WheelThread);
        WheelThread = NULL;
    }
}
