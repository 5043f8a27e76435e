// A command's time limit, and whether another program answers within it.
#ifndef HAZURO_COMMAND_H
#define HAZURO_COMMAND_H

#include <windows.h>

enum {
    // A press, a give-back or the shortcut key ends well within the 5
    // seconds after which Windows would call hazuro itself not responding,
    // however many programs stop answering; a tick of the automatic mode
    // holds hazuro a moment at most.
    COMMAND_WAIT_LIMIT_MS = 2500,
    TICK_WAIT_LIMIT_MS = 200
};

// Starts a command that waits on other programs limitMs at most in all,
// however many of them stop answering: each is waited on once, a second at
// most.
void StartCommand(DWORD limitMs);
void EndCommand();

// Whether a command runs: while it waits on another program, hazuro still
// handles the messages that other programs send it.
bool CommandRunning();

// Whether hwnd's program takes a message before the command's time is up.
bool Answers(HWND hwnd);

#endif
