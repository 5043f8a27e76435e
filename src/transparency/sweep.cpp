#include "transparency/sweep.h"

#include "settings/settings.h"

SetLayeredWindowAttributesProc pSetLayeredWindowAttributes;

enum {
    TITLE_BUFFER_SIZE = 1000,  // 999 bytes of title and the NUL
    MAX_PASSED_OVER = 256,     // windows one sweep can leave alone before it gives up
    MAX_FADED = 4096           // faded windows remembered at once for giving them back
};

// A window this run faded. A handle may pass to a new window once the old one
// is gone; its thread and process tell the two apart.
struct FadedWindow {
    HWND hwnd;
    DWORD thread;
    DWORD process;
};

static FadedWindow Faded[MAX_FADED];  // the windows this run faded, in no order
static int FadedCount;                // entries in use in Faded

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

// Compares character by character from the start of text. A pattern cut after
// a lead byte matches only where the text is cut there too.
static bool MatchesAt(const char *text, const char *pattern)
{
    for (;;) {
        char c = *pattern++;
        if (c == '\0')
            return true;
        if (*text++ != c)
            return false;
        if (IsDBCSLeadByte((BYTE)c)) {
            c = *pattern++;
            if (*text++ != c)
                return false;
            if (c == '\0')
                return true;
        }
    }
}

bool TitleContains(const char *title, const char *pattern)
{
    for (;;) {
        if (MatchesAt(title, pattern))
            return true;
        if (*title == '\0')
            return false;
        title += IsDBCSLeadByte((BYTE)*title) && title[1] != '\0' ? 2 : 1;
    }
}

static bool Contains(const HWND *windows, int count, HWND hwnd)
{
    for (int i = 0; i < count; ++i)
        if (windows[i] == hwnd)
            return true;
    return false;
}

static bool IsLayered(HWND hwnd)
{
    return (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

static DWORD ProcessOf(HWND hwnd)
{
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    return process;
}

// Walks the live z-order from the top. Hidden and layered windows are passed
// over before their titles are read, as are the windows in passedOver and,
// unless it is 0, those of the process sparedProcess.
static HWND FindTargetWindowExcept(const char *pattern, const HWND *passedOver, int passedOverCount,
                                   DWORD sparedProcess)
{
    char title[TITLE_BUFFER_SIZE];
    for (HWND h = GetWindow(FindWindowA(NULL, NULL), GW_HWNDFIRST); h != NULL;
         h = GetWindow(h, GW_HWNDNEXT)) {
        if (!IsWindowVisible(h))
            continue;
        if (IsLayered(h))
            continue;
        if (Contains(passedOver, passedOverCount, h))
            continue;
        GetWindowTextA(h, title, sizeof title);
        if (TitleContains(title, pattern) && (sparedProcess == 0 || ProcessOf(h) != sparedProcess))
            return h;
    }
    return NULL;
}

HWND FindTargetWindow(const char *pattern)
{
    return FindTargetWindowExcept(pattern, NULL, 0, 0);
}

static bool IsStillFaded(const FadedWindow &faded)
{
    DWORD process = 0;
    DWORD thread = GetWindowThreadProcessId(faded.hwnd, &process);
    return thread == faded.thread && process == faded.process && IsLayered(faded.hwnd);
}

// Forgets the windows that are gone, were given to others or lost their fading.
static void ForgetGoneWindows()
{
    int kept = 0;
    for (int i = 0; i < FadedCount; ++i)
        if (IsStillFaded(Faded[i]))
            Faded[kept++] = Faded[i];
    FadedCount = kept;
}

void RememberFadedWindow(HWND hwnd)
{
    if (FadedCount == MAX_FADED)
        ForgetGoneWindows();
    // With the record full of windows still faded the new one stays faded, as a
    // press promises, but cannot be given back.
    if (FadedCount == MAX_FADED)
        return;
    FadedWindow &faded = Faded[FadedCount++];
    faded.hwnd = hwnd;
    faded.thread = GetWindowThreadProcessId(hwnd, &faded.process);
}

int FadedWindowCount()
{
    ForgetGoneWindows();
    return FadedCount;
}

void RestoreFadedWindows()
{
    int kept = 0;
    for (int i = 0; i < FadedCount; ++i) {
        FadedWindow faded = Faded[i];
        if (!IsStillFaded(faded))
            continue;
        // As in the sweep: a hung window would freeze us. It is given back later.
        if (!IsHungAppWindow(faded.hwnd)) {
            SetWindowLongA(faded.hwnd, GWL_EXSTYLE,
                           GetWindowLongA(faded.hwnd, GWL_EXSTYLE) & ~WS_EX_LAYERED);
            RedrawWindow(faded.hwnd, NULL, NULL,
                         RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
            if (!IsLayered(faded.hwnd))
                continue;
        }
        Faded[kept++] = faded;
    }
    FadedCount = kept;
}

static void FadeMatchingWindows(DWORD sparedProcess)
{
    // Windows that refused the layered style or whose program does not respond:
    // without this list they would be found again at every search, for ever.
    HWND passedOver[MAX_PASSED_OVER];
    int passedOverCount = 0;

    for (;;) {
        HWND h = FindTargetWindowExcept(Settings.ietitle, passedOver, passedOverCount,
                                        sparedProcess);
        if (h == NULL)
            return;
        // SetWindowLongA waits on the target's thread; a hung one would freeze us.
        if (!IsHungAppWindow(h)) {
            SetWindowLongA(h, GWL_EXSTYLE, GetWindowLongA(h, GWL_EXSTYLE) | WS_EX_LAYERED);
            pSetLayeredWindowAttributes(h, 0, (BYTE)Settings.alpha, LWA_ALPHA);
            if (IsLayered(h)) {
                RememberFadedWindow(h);
                continue;
            }
        }
        if (passedOverCount == MAX_PASSED_OVER)
            return;
        passedOver[passedOverCount++] = h;
    }
}

void RunTransparencySweep()
{
    FadeMatchingWindows(0);
}

void RunAutomaticSweep(HWND ownWindow)
{
    // An empty pattern would fade every window the user opens.
    if (Settings.ietitle[0] != '\0')
        FadeMatchingWindows(ProcessOf(ownWindow));
}
