#include "transparency/command.h"

enum {
    LATE_WAIT_MS = 50,        // a wait once the command's time is up: an idle program answers
    SILENT_THREAD_LIMIT = 16  // threads remembered as not answering within one command
};

static DWORD WaitDeadline;  // the tick count by which the command's waits end
static DWORD SilentThreads[SILENT_THREAD_LIMIT];  // threads that did not answer this command
static int SilentThreadCount;

void StartCommand(DWORD limitMs)
{
    WaitDeadline = GetTickCount() + limitMs;
    SilentThreadCount = 0;
}

// A style change waits on the window's thread without a limit, so it must
// answer first. A thread that stays silent is passed over for the rest of the
// command; once the time is up, each other one gets a short moment only.
bool Answers(HWND hwnd)
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
