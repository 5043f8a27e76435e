#include "transparency/sweep.h"

#include "settings/settings.h"
#include "transparency/command.h"
#include "transparency/mark.h"
#include "transparency/match.h"

enum { CHANGED_WINDOW_LIMIT = 1024 };  // windows a command remembers having faded or given back

// A window the last press or give-back changed, and the opacity it had faded.
struct ChangedWindow {
    HWND hwnd;
    int alpha;
};

static ChangedWindow ChangedWindows[CHANGED_WINDOW_LIMIT];  // by the last press or give-back
static int ChangedWindowCount;
static bool ChangesWereGiveBacks;  // the last command gave back, else it faded

static void StartChanges(bool giveBacks)
{
    ChangedWindowCount = 0;
    ChangesWereGiveBacks = giveBacks;
}

static void RememberChange(HWND hwnd, int alpha)
{
    if (ChangedWindowCount < CHANGED_WINDOW_LIMIT) {
        ChangedWindows[ChangedWindowCount].hwnd = hwnd;
        ChangedWindows[ChangedWindowCount++].alpha = alpha;
    }
}

struct FadeWalk {
    int firstRule;        // the rules before it are left out
    DWORD sparedProcess;  // its windows are left alone; 0 spares none
    bool remember;        // a press's: the windows it fades are remembered
};

static BOOL CALLBACK VisitWindow(HWND h, LPARAM lParam)
{
    FadeWalk *walk = (FadeWalk *)lParam;
    DWORD process = ProcessOf(h);
    if (walk->sparedProcess != 0 && process == walk->sparedProcess)
        return TRUE;
    int rule = MatchingRule(h, process, walk->firstRule);
    if (rule >= 0 && FadeWindow(h, Settings.rules[rule].alpha) && walk->remember)
        RememberChange(h, 0);
    return TRUE;
}

// One walk over a snapshot of the top-level windows, from the top of the
// z-order: a window that closes meanwhile does not cut the walk short.
static void WalkMatchingWindows(int firstRule, DWORD sparedProcess, bool remember)
{
    FadeWalk walk = {firstRule, sparedProcess, remember};
    StartMatching();
    EnumWindows(VisitWindow, (LPARAM)&walk);
}

struct GiveBackWalk {
    bool giveBack;  // or only count
    int count;      // windows counted or given back
};

static BOOL CALLBACK VisitFadedWindow(HWND hwnd, LPARAM lParam)
{
    GiveBackWalk *walk = (GiveBackWalk *)lParam;
    INT_PTR mark = FadedMarkOf(hwnd);
    if (mark == 0 || (walk->giveBack && !GiveBackWindow(hwnd)))
        return TRUE;
    if (walk->giveBack)
        RememberChange(hwnd, (BYTE)mark);
    ++walk->count;
    return TRUE;
}

static int WalkFadedWindows(bool giveBack)
{
    GiveBackWalk walk = {giveBack, 0};
    EnumWindows(VisitFadedWindow, (LPARAM)&walk);
    return walk.count;
}

int FadedWindowCount()
{
    return WalkFadedWindows(false);
}

static int GiveBackAll()
{
    StartChanges(true);
    return WalkFadedWindows(true);
}

static void FadeAll()
{
    StartChanges(false);
    WalkMatchingWindows(0, 0, true);
}

int RestoreFadedWindows()
{
    StartCommand(COMMAND_WAIT_LIMIT_MS);
    int count = GiveBackAll();
    EndCommand();
    return count;
}

void RunTransparencySweep()
{
    StartCommand(COMMAND_WAIT_LIMIT_MS);
    FadeAll();
    EndCommand();
}

// Nothing given back (nothing faded, or none of it answers) fades instead.
bool ToggleFadedWindows()
{
    StartCommand(COMMAND_WAIT_LIMIT_MS);
    bool gaveBack = GiveBackAll() > 0;
    if (!gaveBack)
        FadeAll();
    EndCommand();
    return gaveBack;
}

void UndoLastChanges()
{
    StartCommand(COMMAND_WAIT_LIMIT_MS);
    for (int i = 0; i < ChangedWindowCount; ++i) {
        HWND hwnd = ChangedWindows[i].hwnd;
        if (!ChangesWereGiveBacks) {
            if (FadedMarkOf(hwnd) != 0)
                GiveBackWindow(hwnd);
        } else if (!IsLayered(hwnd)) {
            FadeWindow(hwnd, ChangedWindows[i].alpha);
        }
    }
    ChangedWindowCount = 0;
    EndCommand();
}

void RunAutomaticSweep(HWND ownWindow)
{
    StartCommand(TICK_WAIT_LIMIT_MS);
    // An empty pattern would fade every window the user opens.
    int first = Settings.rules[0].ietitle[0] == '\0' ? 1 : 0;
    if (first < Settings.ruleCount)
        WalkMatchingWindows(first, ProcessOf(ownWindow), false);
    EndCommand();
}
