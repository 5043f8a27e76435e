#include "transparency/match.h"

#include "settings/settings.h"

typedef DWORD(WINAPI *GetProcessImageFileNameAProc)(HANDLE, LPSTR, DWORD);
typedef DWORD(WINAPI *GetModuleFileNameExAProc)(HANDLE, HMODULE, LPSTR, DWORD);

enum {
    TITLE_BUFFER_SIZE = 1000,  // 999 bytes of title and the NUL
    KNOWN_PROCESS_LIMIT = 256  // processes whose program a walk remembers
};

// A process met in a walk, and which program rules name its program.
struct KnownProcess {
    DWORD process;
    int programRules;  // bit i for rule i
};

static bool ImageReadersLookedUp;
static GetProcessImageFileNameAProc pGetProcessImageFileNameA;  // psapi.dll, XP and later
static GetModuleFileNameExAProc pGetModuleFileNameExA;          // psapi.dll, 2000 and later
static KnownProcess KnownProcesses[KNOWN_PROCESS_LIMIT];  // of the walk going on
static int KnownProcessCount;

// The windows of the shell that make the desktop, the wallpaper's layers and
// the taskbars: a faded one turns black or hides what the user needs.
static const char kShellSurfaceClasses[] =
    "Progman\0WorkerW\0Shell_TrayWnd\0Shell_SecondaryTrayWnd\0";

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

HMODULE LoadSystemLibrary(const char *name)
{
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    path[length] = '\\';
    lstrcpynA(path + length + 1, name, 16);
    return LoadLibraryA(path);
}

DWORD ProcessOf(HWND hwnd)
{
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    return process;
}

// A 32-bit program on 64-bit Windows cannot read a 64-bit one's module list,
// but its image file name, a device path ending in the same file name. The
// module list comes first, for its path is the one the program knows itself.
static void LookUpImageReaders()
{
    ImageReadersLookedUp = true;
    HMODULE psapi = LoadSystemLibrary("psapi.dll");
    pGetProcessImageFileNameA = (GetProcessImageFileNameAProc)(void (*)())GetProcAddress(
        psapi, "GetProcessImageFileNameA");
    pGetModuleFileNameExA =
        (GetModuleFileNameExAProc)(void (*)())GetProcAddress(psapi, "GetModuleFileNameExA");
}

void ReadImagePath(DWORD process, char *path)
{
    if (!ImageReadersLookedUp)
        LookUpImageReaders();
    // Programs run as administrator refuse this, but their windows refuse to
    // be faded too.
    HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process);
    path[0] = '\0';
    if (handle == NULL)
        return;
    if ((pGetModuleFileNameExA == NULL || pGetModuleFileNameExA(handle, NULL, path, MAX_PATH) == 0) &&
        (pGetProcessImageFileNameA == NULL || pGetProcessImageFileNameA(handle, path, MAX_PATH) == 0))
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

void StartMatching()
{
    KnownProcessCount = 0;
}

bool IsShellSurface(HWND h)
{
    if (h == GetShellWindow())
        return true;
    char name[32];
    name[0] = '\0';
    GetClassNameA(h, name, sizeof name);
    for (const char *surface = kShellSurfaceClasses; *surface != '\0';) {
        if (lstrcmpiA(name, surface) == 0)
            return true;
        while (*surface++ != '\0') {
        }
    }
    return false;
}

// The title is read only once the window may be faded; the program only for
// a program rule.
int MatchingRule(HWND h, DWORD process, int firstRule)
{
    if (!IsWindowVisible(h) || (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_LAYERED) ||
        IsShellSurface(h))
        return -1;
    // A window gone meanwhile leaves the buffer as it was: it must not match
    // the title read before.
    char title[TITLE_BUFFER_SIZE];
    title[0] = '\0';
    GetWindowTextA(h, title, TITLE_BUFFER_SIZE);
    int programRules = -1;
    for (int i = firstRule; i < Settings.ruleCount; ++i) {
        const Rule &rule = Settings.rules[i];
        if (rule.program && programRules < 0)
            programRules = ProgramRulesOf(process);
        if (rule.program ? (programRules >> i & 1) != 0 : TitleContains(title, rule.ietitle))
            return i;
    }
    return -1;
}
