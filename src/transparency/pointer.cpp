#include "transparency/pointer.h"

#include "transparency/command.h"
#include "transparency/mark.h"
#include "transparency/match.h"

typedef HRESULT(WINAPI *DwmGetWindowAttributeProc)(HWND, DWORD, PVOID, DWORD);

enum {
    OWNER_CHAIN_LIMIT = 32,  // steps up a chain of owners, which a program could make endless
    DWM_CLOAKED = 14,        // DWMWA_CLOAKED: hidden by the desktop window manager, though visible
    WHEEL_STEP = 16,         // opacity a notch of the wheel changes; with Shift, a quarter
    WHEEL_FINE_STEP = 4,
    WHEEL_FLOOR = 16,        // the wheel never fades a window out of sight
};

enum { BY_ACTIVE, BY_POINTER };

static bool DwmLookedUp;
static DwmGetWindowAttributeProc pDwmGetWindowAttribute;  // Vista and later
static HWND ShownOpaque[2];  // the faded windows shown opaque, by the active and the pointer item
static HWND WheelShown;      // the window the wheel set last: its opacity shows until both let go of it
static HWND WheelWindow;     // the window the last turns went to
static int WheelTurned;      // their part of a notch not acted on yet
static HWND UnderPointer;    // the top-level window found under the pointer
static POINT PointerFoundAt;      // where it was found
static HWND ForegroundWhenFound;  // the active window then

// Windows 8 and later keep windows that are visible but not shown, such as
// apps on another virtual desktop or a closed Start menu, cloaked.
static bool IsCloaked(HWND h)
{
    if (!DwmLookedUp) {
        DwmLookedUp = true;
        pDwmGetWindowAttribute = (DwmGetWindowAttributeProc)(void (*)())GetProcAddress(
            LoadSystemLibrary("dwmapi.dll"), "DwmGetWindowAttribute");
    }
    DWORD cloaked = 0;  // unless told so
    if (pDwmGetWindowAttribute != NULL)
        pDwmGetWindowAttribute(h, DWM_CLOAKED, &cloaked, sizeof cloaked);
    return cloaked != 0;
}

struct PointWalk {
    POINT pt;
    HWND found;
};

// By the rectangle, not by what takes the clicks: a window that lets every
// click through, as one at opacity 0 does on Windows, is the very one a user
// wants to see.
static BOOL CALLBACK VisitWindowAt(HWND h, LPARAM lParam)
{
    PointWalk *walk = (PointWalk *)lParam;
    RECT rect;
    if (!GetWindowRect(h, &rect) || walk->pt.x < rect.left || walk->pt.x >= rect.right ||
        walk->pt.y < rect.top || walk->pt.y >= rect.bottom || !IsWindowVisible(h) ||
        IsCloaked(h))
        return TRUE;
    walk->found = h;
    return FALSE;
}

// The topmost visible top-level window whose rectangle holds pt, or NULL.
static HWND TopLevelWindowAt(POINT pt)
{
    PointWalk walk = {pt, NULL};
    EnumWindows(VisitWindowAt, (LPARAM)&walk);
    return walk.found;
}

HWND WheelTargetAt(POINT pt, DWORD ownProcess)
{
    HWND h = TopLevelWindowAt(pt);
    if (h == NULL || ProcessOf(h) == ownProcess || IsShellSurface(h) ||
        (IsLayered(h) && !IsFadedByHazuro(h)))
        return NULL;
    return h;
}

// Turns of less than a notch, from touchpads and smooth wheels, add up.
void TurnWheel(HWND hwnd, int delta, bool fine)
{
    if (hwnd != WheelWindow) {
        WheelWindow = hwnd;
        WheelTurned = 0;
    }
    WheelTurned += delta;
    int notches = WheelTurned / WHEEL_DELTA;
    WheelTurned %= WHEEL_DELTA;
    INT_PTR mark = FadedMarkOf(hwnd);
    if (notches == 0 || (mark == 0 && IsLayered(hwnd)))
        return;  // its program's since the turn
    int alpha = mark != 0 ? (BYTE)mark : 255;
    int next = alpha + notches * (fine ? WHEEL_FINE_STEP : WHEEL_STEP);
    // A rule may have faded it further: never lower still.
    int floor = notches < 0 && alpha < WHEEL_FLOOR ? alpha : WHEEL_FLOOR;
    if (next > 255)
        next = 255;
    if (next < floor)
        next = floor;
    if (mark != 0) {
        SetFadedOpacity(hwnd, next);
    } else if (next < 255) {
        StartCommand(COMMAND_WAIT_LIMIT_MS);
        FadeWindow(hwnd, next);
        EndCommand();
    }
    WheelShown = hwnd;
}

// Up the owner chain: a dialog or a Save As box keeps its window opaque, and a
// program's main window is often owned by a hidden one.
static HWND FadedWindowFrom(HWND h)
{
    for (int step = 0; h != NULL && step < OWNER_CHAIN_LIMIT; ++step, h = GetWindow(h, GW_OWNER))
        if (FadedMarkOf(h) != 0)
            return h;
    return NULL;
}

static void ShowOpaqueBy(int item, HWND shown)
{
    HWND left = ShownOpaque[item];
    ShownOpaque[item] = shown;
    if (left != shown && left != ShownOpaque[!item]) {
        ShowLook(left, false);
        if (left == WheelShown)
            WheelShown = NULL;
    }
    // Again at every tick: a press may have faded it meanwhile.
    if (shown != WheelShown)
        ShowLook(shown, true);
}

// The window under a pointer that stays put changes as windows come to the
// front, most often with the active window: only then is it looked for anew.
void ShowWindowsOpaque(bool active, bool hovered)
{
    HWND foreground = GetForegroundWindow();
    POINT pt;
    ShowOpaqueBy(BY_ACTIVE, active ? FadedWindowFrom(foreground) : NULL);
    if (!hovered || !GetCursorPos(&pt)) {
        UnderPointer = ForegroundWhenFound = NULL;
    } else if (pt.x != PointerFoundAt.x || pt.y != PointerFoundAt.y ||
               foreground != ForegroundWhenFound) {
        UnderPointer = TopLevelWindowAt(pt);
        PointerFoundAt = pt;
        ForegroundWhenFound = foreground;
    }
    ShowOpaqueBy(BY_POINTER, FadedWindowFrom(UnderPointer));
}
