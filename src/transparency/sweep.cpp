#include "transparency/sweep.h"

#include <string.h>

#include "settings/settings.h"

SetLayeredWindowAttributesProc pSetLayeredWindowAttributes;

enum {
    TITLE_BUFFER_SIZE = 1000,  // 999 bytes of title and the NUL
    MAX_PASSED_OVER = 256      // windows one sweep can leave alone before it gives up
};

LayeredSupport LookUpLayeredSupport(const char *moduleName, const char *functionName)
{
    HMODULE module = LoadLibraryA(moduleName);
    if (module == NULL)
        return LAYERED_NO_USER32;
    pSetLayeredWindowAttributes =
        (SetLayeredWindowAttributesProc)(void (*)())GetProcAddress(module, functionName);
    if (pSetLayeredWindowAttributes == NULL) {
        FreeLibrary(module);
        return LAYERED_NO_FUNCTION;
    }
    return LAYERED_OK;
}

LayeredSupport LoadLayeredWindowSupport()
{
    return LookUpLayeredSupport("user32.dll", "SetLayeredWindowAttributes");
}

static bool Contains(const HWND *windows, int count, HWND hwnd)
{
    for (int i = 0; i < count; ++i)
        if (windows[i] == hwnd)
            return true;
    return false;
}

// Walks the live z-order from the top. Hidden and layered windows are passed
// over before their titles are read, as are the windows in passedOver.
static HWND FindTargetWindowExcept(const char *pattern, const HWND *passedOver, int passedOverCount)
{
    char title[TITLE_BUFFER_SIZE];
    for (HWND h = GetWindow(FindWindowA(NULL, NULL), GW_HWNDFIRST); h != NULL;
         h = GetWindow(h, GW_HWNDNEXT)) {
        if (!IsWindowVisible(h))
            continue;
        if (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_LAYERED)
            continue;
        if (Contains(passedOver, passedOverCount, h))
            continue;
        GetWindowTextA(h, title, sizeof title);
        if (strstr(title, pattern) != NULL)
            return h;
    }
    return NULL;
}

HWND FindTargetWindow(const char *pattern)
{
    return FindTargetWindowExcept(pattern, NULL, 0);
}

void RunTransparencySweep()
{
    // Windows that refused the layered style or whose program does not respond:
    // without this list they would be found again at every search, for ever.
    HWND passedOver[MAX_PASSED_OVER];
    int passedOverCount = 0;

    for (;;) {
        HWND h = FindTargetWindowExcept(Settings.ietitle, passedOver, passedOverCount);
        if (h == NULL)
            return;
        // SetWindowLongA waits on the target's thread; a hung one would freeze us.
        if (!IsHungAppWindow(h)) {
            SetWindowLongA(h, GWL_EXSTYLE, GetWindowLongA(h, GWL_EXSTYLE) | WS_EX_LAYERED);
            pSetLayeredWindowAttributes(h, 0, (BYTE)Settings.alpha, LWA_ALPHA);
            if (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_LAYERED)
                continue;
        }
        if (passedOverCount == MAX_PASSED_OVER)
            return;
        passedOver[passedOverCount++] = h;
    }
}
