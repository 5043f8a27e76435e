#include "app/wheel.h"

#include "transparency/pointer.h"

static HWND WheelOwner;      // the main window, told of each turn
static DWORD OwnProcess;     // its windows are never hazuro's to turn
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
    if (code == HC_ACTION && wParam == WM_MOUSEWHEEL && IsKeyDown(VK_CONTROL) &&
        IsKeyDown(VK_MENU) && !IsKeyDown(VK_LWIN) && !IsKeyDown(VK_RWIN)) {
        HWND target = WheelTargetAt(event->pt, OwnProcess);
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

// A keyboard hook hears of a key before its state changes.
static bool IsHeldAfter(const KBDLLHOOKSTRUCT *event, int key, DWORD leftKey)
{
    if (event->vkCode == (DWORD)key || event->vkCode == leftKey || event->vkCode == leftKey + 1)
        return (event->flags & LLKHF_UP) == 0;
    return IsKeyDown(key);
}

// Every mouse event of the system would pass the mouse hook, every move of a
// hand on the mouse: it is there only while Ctrl and Alt are held.
static LRESULT CALLBACK WatchKeys(int code, WPARAM wParam, LPARAM lParam)
{
    const KBDLLHOOKSTRUCT *event = (const KBDLLHOOKSTRUCT *)lParam;
    bool held = IsHeldAfter(event, VK_CONTROL, VK_LCONTROL) && IsHeldAfter(event, VK_MENU, VK_LMENU);
    if (code == HC_ACTION && held != (MouseHook != NULL)) {
        if (held) {
            MouseHook = Hook(WH_MOUSE_LL, WatchMouse);
        } else {
            UnhookWindowsHookEx(MouseHook);
            MouseHook = NULL;
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// On a thread of its own, so that no mouse event waits while the main window
// waits on a program that does not answer.
static DWORD WINAPI RunWheelHook(LPVOID)
{
    HHOOK keys = Hook(WH_KEYBOARD_LL, WatchKeys);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
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
        GetWindowThreadProcessId(owner, &OwnProcess);
        WheelThread = CreateThread(NULL, 0, RunWheelHook, NULL, 0, &WheelThreadId);
    } else if (!on && WheelThread != NULL) {
        // A thread just started may have no message queue yet to take this.
        while (!PostThreadMessageA(WheelThreadId, WM_QUIT, 0, 0) &&
               WaitForSingleObject(WheelThread, 10) == WAIT_TIMEOUT) {
        }
        WaitForSingleObject(WheelThread, INFINITE);
        CloseHandle(WheelThread);
        WheelThread = NULL;
    }
}
