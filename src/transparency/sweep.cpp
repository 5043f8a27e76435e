#include "transparency/sweep.h"

#include "settings/settings.h"

SetLayeredWindowAttributesProc pSetLayeredWindowAttributes;

typedef BOOL(WINAPI *GetLayeredWindowAttributesProc)(HWND, COLORREF *, BYTE *, DWORD *);
typedef BOOL(WINAPI *QueryFullProcessImageNameAProc)(HANDLE, DWORD, LPSTR, PDWORD);
typedef DWORD(WINAPI *GetModuleFileNameExAProc)(HANDLE, HMODULE, LPSTR, DWORD);

enum {
    TITLE_BUFFER_SIZE = 1000,  // 999 bytes of title and the NUL
    OWNER_CHAIN_LIMIT = 32,    // steps up a chain of owners, which a program could make endless
    LATE_WAIT_MS = 50,         // a wait once the command's time is up: an idle program answers
    SILENT_THREAD_LIMIT = 16,  // threads remembered as not answering within one command
    KNOWN_PROCESS_LIMIT = 256, // processes whose program a walk remembers
    CHANGED_WINDOW_LIMIT = 1024  // windows a command remembers having faded or given back
};

// A window the last press or give-back changed, and the opacity it had faded.
struct ChangedWindow {
    HWND hwnd;
    int alpha;
};

// A process met in a walk, and which program rules name its program.
struct KnownProcess {
    DWORD process;
    int programRules;  // bit i for rule i
};

static GetLayeredWindowAttributesProc pGetLayeredWindowAttributes;  // NULL before XP
static QueryFullProcessImageNameAProc pQueryFullProcessImageNameA;  // Vista and later
static GetModuleFileNameExAProc pGetModuleFileNameExA;              // psapi.dll, before Vista
static KnownProcess KnownProcesses[KNOWN_PROCESS_LIMIT];  // of the walk going on
static int KnownProcessCount;
static ATOM FadedMarkAtom;  // names the mark; made at first use, kept by the system after us
static HWND ShownOpaque;    // the faded window shown opaque as the active one, or NULL
static ChangedWindow ChangedWindows[CHANGED_WINDOW_LIMIT];  // by the last press or give-back
static int ChangedWindowCount;
static bool ChangesWereGiveBacks;  // the last command gave back, else it faded
static DWORD WaitDeadline;  // the tick count by which the command's waits end
static DWORD SilentThreads[SILENT_THREAD_LIMIT];  // threads that did not answer this command
static int SilentThreadCount;

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
    pGetLayeredWindowAttributes = (GetLayeredWindowAttributesProc)(void (*)())GetProcAddress(
        module, "GetLayeredWindowAttributes");
    pQueryFullProcessImageNameA = (QueryFullProcessImageNameAProc)(void (*)())GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA");
    if (pQueryFullProcessImageNameA == NULL)
        pGetModuleFileNameExA = (GetModuleFileNameExAProc)(void (*)())GetProcAddress(
            LoadLibraryA("psapi.dll"), "GetModuleFileNameExA");
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

void LimitWaits(DWORD limitMs)
{
    WaitDeadline = GetTickCount() + limitMs;
    SilentThreadCount = 0;
}

// Whether hwnd's program takes a message before the command's deadline. A
// style change waits on the window's thread without a limit, so it must
// answer first. A thread that stays silent is passed over for the rest of the
// command; once the time is up, each other one gets a short moment only.
static bool Answers(HWND hwnd)
{
    DWORD thread = GetWindowThreadProcessId(hwnd, NULL);
    for (int i = 0; i < SilentThreadCount; ++i)
        if (SilentThreads[i] == thread)
            return false;
    LONG left = (LONG)(WaitDeadline - GetTickCount());
    DWORD_PTR result;
    if (!IsHungAppWindow(hwnd) &&
        SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                            left > LATE_WAIT_MS ? (UINT)left : (UINT)LATE_WAIT_MS, &result))
        return true;
    if (SilentThreadCount < SILENT_THREAD_LIMIT)
        SilentThreads[SilentThreadCount++] = thread;
    return false;
}

// A global atom outlives this process: the next run finds the same mark.
static LPCSTR FadedMarkName()
{
    if (FadedMarkAtom == 0)
        FadedMarkAtom = GlobalAddAtomA("hazuro faded");
    return MAKEINTATOM(FadedMarkAtom);
}

bool MarkFaded(HWND hwnd, int alpha)
{
    LPCSTR name = FadedMarkName();
    return name != NULL && SetPropA(hwnd, name, (HANDLE)(INT_PTR)(FADED_MARK | alpha));
}

static void Unmark(HWND hwnd)
{
    RemovePropA(hwnd, FadedMarkName());
}

// A mark holds only while the window shows what hazuro gave it: a program
// that set an opacity of its own, or layered the window anew, owns it again,
// and the mark goes. Windows 2000 cannot read the opacity back; there the
// mark alone tells.
INT_PTR FadedMarkOf(HWND hwnd)
{
    INT_PTR mark = (INT_PTR)GetPropA(hwnd, FadedMarkName());
    if ((mark & ~(INT_PTR)(SHOWN_OPAQUE | 0xFF)) != FADED_MARK)
        return 0;  // none, or a value hazuro never writes: not ours to touch
    BYTE alpha;
    DWORD flags;
    if (!IsLayered(hwnd) ||
        (pGetLayeredWindowAttributes != NULL &&
         (!pGetLayeredWindowAttributes(hwnd, NULL, &alpha, &flags) || flags != LWA_ALPHA ||
          alpha != (mark & SHOWN_OPAQUE ? 255 : (BYTE)mark)))) {
        Unmark(hwnd);
        return 0;
    }
    return mark;
}

static void SetLayeredStyle(HWND hwnd, bool layered)
{
    LONG style = GetWindowLongA(hwnd, GWL_EXSTYLE) & ~WS_EX_LAYERED;
    SetWindowLongA(hwnd, GWL_EXSTYLE, layered ? style | WS_EX_LAYERED : style);
}

// Marked first: should hazuro end half-way, the next run still knows the
// window; a window that cannot be marked could never be given back, and is
// not faded. One whose program does not answer, or that refuses, is passed
// over; a layered window without attributes would stay invisible.
static bool Fade(HWND h, int alpha)
{
    if (!Answers(h) || !MarkFaded(h, alpha))
        return false;
    SetLayeredStyle(h, true);
    if (IsLayered(h) && pSetLayeredWindowAttributes(h, 0, (BYTE)alpha, LWA_ALPHA))
        return true;
    SetLayeredStyle(h, false);
    Unmark(h);
    return false;
}

// Not answering now, it is given back later.
static bool GiveBack(HWND hwnd)
{
    if (!Answers(hwnd))
        return false;
    SetLayeredStyle(hwnd, false);
    RedrawWindow(hwnd, NULL, NULL, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    if (IsLayered(hwnd))
        return false;
    Unmark(hwnd);
    return true;
}

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

bool ProgramNameMatches(const char *fileName, const char *name)
{
    if (lstrcmpiA(fileName, name) == 0)
        return true;
    int length = 0;
    while (fileName[length] != '\0')
        ++length;
    char bare[MAX_PATH];
    if (length <= 4 || length >= MAX_PATH || lstrcmpiA(fileName + length - 4, ".exe") != 0)
        return false;
    lstrcpynA(bare, fileName, length - 3);
    return lstrcmpiA(bare, name) == 0;
}

// The full path of process's program into path (MAX_PATH bytes), or "" where
// it cannot be read. The limited right reaches programs run as administrator.
static void ReadImagePath(DWORD process, char *path)
{
    DWORD size = MAX_PATH;
    HANDLE handle = OpenProcess(pQueryFullProcessImageNameA != NULL
                                    ? PROCESS_QUERY_LIMITED_INFORMATION
                                    : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ,
                                FALSE, process);
    path[0] = '\0';
    if (handle == NULL)
        return;
    if (pQueryFullProcessImageNameA != NULL
            ? !pQueryFullProcessImageNameA(handle, 0, path, &size)
            : pGetModuleFileNameExA == NULL || pGetModuleFileNameExA(handle, NULL, path, MAX_PATH) == 0)
        path[0] = '\0';
    CloseHandle(handle);
}

// Which program rules name process's program, bit i for rule i; each process
// of a walk is read once.
static int ProgramRulesOf(DWORD process)
{
    for (int i = 0; i < KnownProcessCount; ++i)
        if (KnownProcesses[i].process == process)
            return KnownProcesses[i].programRules;
    char path[MAX_PATH];
    ReadImagePath(process, path);
    int rules = 0;
    for (int i = 0; i < Settings.ruleCount; ++i)
        if (Settings.rules[i].program &&
            ProgramNameMatches(path + DirectoryLength(path), Settings.rules[i].ietitle))
            rules |= 1 << i;
    if (KnownProcessCount < KNOWN_PROCESS_LIMIT) {
        KnownProcesses[KnownProcessCount].process = process;
        KnownProcesses[KnownProcessCount++].programRules = rules;
    }
    return rules;
}

// The first rule from first on, in the list's order, that matches a window of
// this title and process, or -1. The program is read only for a program rule.
static int MatchingRule(const char *title, DWORD process, int first)
{
    int programRules = -1;
    for (int i = first; i < Settings.ruleCount; ++i) {
        const Rule &rule = Settings.rules[i];
        if (rule.program && programRules < 0)
            programRules = ProgramRulesOf(process);
        if (rule.program ? (programRules >> i & 1) != 0 : TitleContains(title, rule.ietitle))
            return i;
    }
    return -1;
}

// Whether the sweep may fade h: visible, not layered, and not the shell's
// desktop, which has nothing behind it to show (a faded one turns black).
// Only then is its title read, into title (TITLE_BUFFER_SIZE bytes).
static bool ReadCandidateTitle(HWND h, HWND desktop, char *title)
{
    if (!IsWindowVisible(h) || IsLayered(h) || h == desktop)
        return false;
    // A window gone meanwhile leaves the buffer as it was: it must not match
    // the title read before.
    title[0] = '\0';
    GetWindowTextA(h, title, TITLE_BUFFER_SIZE);
    return true;
}

struct FadeWalk {
    int firstRule;        // the rules before it are left out
    DWORD sparedProcess;  // its windows are left alone; 0 spares none
    HWND desktop;         // the shell's, never faded
    bool remember;        // a press's: the windows it fades are remembered
};

static BOOL CALLBACK VisitWindow(HWND h, LPARAM lParam)
{
    FadeWalk *walk = (FadeWalk *)lParam;
    char title[TITLE_BUFFER_SIZE];
    if (!ReadCandidateTitle(h, walk->desktop, title))
        return TRUE;
    DWORD process = ProcessOf(h);
    if (walk->sparedProcess != 0 && process == walk->sparedProcess)
        return TRUE;
    int rule = MatchingRule(title, process, walk->firstRule);
    if (rule >= 0 && Fade(h, Settings.rules[rule].alpha) && walk->remember)
        RememberChange(h, 0);
    return TRUE;
}

// One walk over a snapshot of the top-level windows, from the top of the
// z-order: a window that closes meanwhile does not cut the walk short.
static void WalkMatchingWindows(int firstRule, DWORD sparedProcess, bool remember)
{
    FadeWalk walk = {firstRule, sparedProcess, GetShellWindow(), remember};
    KnownProcessCount = 0;
    EnumWindows(VisitWindow, (LPARAM)&walk);
}

struct FindWalk {
    const char *pattern;
    HWND desktop;
    HWND found;  // the first match
};

static BOOL CALLBACK FindFirst(HWND h, LPARAM lParam)
{
    FindWalk *walk = (FindWalk *)lParam;
    char title[TITLE_BUFFER_SIZE];
    if (!ReadCandidateTitle(h, walk->desktop, title) || !TitleContains(title, walk->pattern))
        return TRUE;
    walk->found = h;
    return FALSE;
}

HWND FindTargetWindow(const char *pattern)
{
    FindWalk walk = {pattern, GetShellWindow(), NULL};
    EnumWindows(FindFirst, (LPARAM)&walk);
    return walk.found;
}

struct GiveBackWalk {
    bool giveBack;  // or only count
    int count;      // windows counted or given back
};

static BOOL CALLBACK GiveBackWindow(HWND hwnd, LPARAM lParam)
{
    GiveBackWalk *walk = (GiveBackWalk *)lParam;
    INT_PTR mark = FadedMarkOf(hwnd);
    if (mark == 0 || (walk->giveBack && !GiveBack(hwnd)))
        return TRUE;
    if (walk->giveBack)
        RememberChange(hwnd, (BYTE)mark);
    ++walk->count;
    return TRUE;
}

static int WalkFadedWindows(bool giveBack)
{
    GiveBackWalk walk = {giveBack, 0};
    EnumWindows(GiveBackWindow, (LPARAM)&walk);
    return walk.count;
}

int FadedWindowCount()
{
    return WalkFadedWindows(false);
}

int RestoreFadedWindows()
{
    StartChanges(true);
    return WalkFadedWindows(true);
}

void RunTransparencySweep()
{
    StartChanges(false);
    WalkMatchingWindows(0, 0, true);
}

void UndoLastChanges()
{
    for (int i = 0; i < ChangedWindowCount; ++i) {
        HWND hwnd = ChangedWindows[i].hwnd;
        if (!ChangesWereGiveBacks) {
            if (FadedMarkOf(hwnd) != 0)
                GiveBack(hwnd);
        } else if (!IsLayered(hwnd)) {
            Fade(hwnd, ChangedWindows[i].alpha);
        }
    }
    ChangedWindowCount = 0;
}

void RunAutomaticSweep(HWND ownWindow)
{
    // An empty pattern would fade every window the user opens.
    int first = Settings.rules[0].ietitle[0] == '\0' ? 1 : 0;
    if (first < Settings.ruleCount)
        WalkMatchingWindows(first, ProcessOf(ownWindow), false);
}

// Gives hwnd, if hazuro faded it, its faded look or the opaque one. Unlike the
// style change, this sends the window no message: no program can hold it.
static void ShowLook(HWND hwnd, bool opaque)
{
    INT_PTR mark = FadedMarkOf(hwnd);
    if (mark == 0 || ((mark & SHOWN_OPAQUE) != 0) == opaque)
        return;
    pSetLayeredWindowAttributes(hwnd, 0, opaque ? 255 : (BYTE)mark, LWA_ALPHA);
    SetPropA(hwnd, FadedMarkName(), (HANDLE)(mark ^ SHOWN_OPAQUE));
}

// Up the owner chain: a dialog or a Save As box keeps its window opaque, and a
// program's main window is often owned by a hidden one.
static HWND ActiveFadedWindow()
{
    HWND h = GetForegroundWindow();
    for (int step = 0; h != NULL && step < OWNER_CHAIN_LIMIT; ++step, h = GetWindow(h, GW_OWNER))
        if (FadedMarkOf(h) != 0)
            return h;
    return NULL;
}

void ShowActiveWindowOpaque(bool active)
{
    HWND shown = active ? ActiveFadedWindow() : NULL;
    if (shown != ShownOpaque) {
        ShowLook(ShownOpaque, false);
        ShownOpaque = shown;
    }
    // Again at every tick: a press may have faded it while it was active.
    ShowLook(shown, true);
}
