#include "transparency/command.h"

enum {
    ANSWER_WAIT_LIMIT_MS = 1000,  // one program busy longer is passed over: the rest still get their turn
    SILENT_THREAD_LIMIT = 16      // threads remembered as not answering within one command
};

static bool Running;
static DWORD WaitDeadline;  // the tick count by which the command's waits end
static DWORD SilentThreads[SILENT_THREAD_LIMIT];  // threads that did not answer this command
static int SilentThreadCount;

void StartCommand(DWORD limitMs)
{
    Running = true;
    WaitDeadline = GetTickCount() + limitMs;
    SilentThreadCount = 0;
}

void EndCommand()
{
    Running = false;
}

bool CommandRunning()
{
    return Running;
}

// A style change waits on the window's thread without a limit, so it must
// answer first; one that Windows calls hung is not waited on at all. A thread
// that stays silent is passed over for the rest of the command, and once the
// time is up, every other one is too.
bool Answers(HWND hwnd)
{
    DWORD thread = GetWindowThreadProcessId(hwnd, NULL);
    for (int i = 0; i < SilentThreadCount; ++i)
        if (SilentThreads[i] == thread)
            return false;
    LONG left = (LONG)(WaitDeadline - GetTickCount());
    DWORD_PTR result;
    if (left > 0 &&
        SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                            left < ANSWER_WAIT_LIMIT_MS ? (UINT)left : (UINT)ANSWER_WAIT_LIMIT_MS,
                            &result))
        return true;
    if (left > 0 && SilentThreadCount < SILENT_THREAD_LIMIT)
        SilentThreads[SilentThreadCount++] = thread;
    return false;
}
