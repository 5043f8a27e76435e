// Real top-level windows and temporary files for the tests.
#ifndef HAZURO_TEST_WINDOWS_H
#define HAZURO_TEST_WINDOWS_H

#include <windows.h>

#include <string>

// A shown top-level window owned by the calling thread; showCommand as for
// ShowWindow. A window procedure of NULL takes the default one.
HWND CreateTestWindow(const std::string &title, int showCommand = SW_SHOWNOACTIVATE,
                      WNDPROC windowProc = NULL);

// Handles the messages already queued for this thread.
void PumpMessages();

// Runs work on another thread while this one keeps handling messages (the
// work may send to this thread's windows). False when it is not done within
// the time limit; the thread is then left to finish on its own.
bool RunWhilePumping(void (*work)(), DWORD timeLimitMs);

struct LayeredState {
    bool layered;  // WS_EX_LAYERED in the extended style
    BYTE alpha;
    DWORD flags;
};
LayeredState LayeredStateOf(HWND hwnd);

// A new empty directory under the temporary directory, with a trailing backslash.
std::string MakeTempDirectory();
void RemoveDirectoryTree(const std::string &directory);
std::string ReadWholeFile(const std::string &path);
bool FileExists(const std::string &path);
void WriteWholeFile(const std::string &path, const std::string &content);

#endif
