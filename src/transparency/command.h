// A command's time limit, and whether another program answers within it.
#ifndef HAZURO_COMMAND_H
#define HAZURO_COMMAND_H

#include <windows.h>

enum {
    // A press, a give-back or the shortcut key waits on programs that do not
    // answer as long as Windows does before it calls one hung; a tick of the
    // automatic mode, so as not to hold hazuro, far less.
    COMMAND_WAIT_LIMIT_MS = 5000,
    TICK_WAIT_LIMIT_MS = 200
};

// Starts a command that waits on other programs about limitMs at most in all,
// however many of them stop answering: each is waited on once.
void StartCommand(DWORD limitMs);

// Whether hwnd's program takes a message before the command's time is up.
bool Answers(HWND hwnd);

#endif
