// Finding the target windows and making them translucent.
#ifndef HAZURO_SWEEP_H
#define HAZURO_SWEEP_H

#include <windows.h>

enum LayeredSupport {
    LAYERED_OK,
    LAYERED_NO_USER32,
    LAYERED_NO_FUNCTION
};

typedef BOOL(WINAPI *SetLayeredWindowAttributesProc)(HWND, COLORREF, BYTE, DWORD);

// Set by a successful lookup; the sweep runs only after one.
extern SetLayeredWindowAttributesProc pSetLayeredWindowAttributes;

// Looks SetLayeredWindowAttributes up in user32.dll, which stays loaded on success.
LayeredSupport LoadLayeredWindowSupport();

// The same lookup with the names given, so the failures can be exercised.
LayeredSupport LookUpLayeredSupport(const char *moduleName, const char *functionName);

// Whether pattern occurs in title as whole characters of the ANSI code page:
// byte-exact and case-sensitive, but never starting inside a double-byte
// character. An empty pattern occurs in every title.
bool TitleContains(const char *title, const char *pattern);

// The topmost visible, non-layered top-level window whose title contains
// pattern, or NULL.
HWND FindTargetWindow(const char *pattern);

// Fades every window that FindTargetWindow finds for Settings.ietitle to Settings.alpha.
void RunTransparencySweep();

// The same for the automatic mode: never the windows of ownWindow's process,
// and nothing at all while the pattern is empty.
void RunAutomaticSweep(HWND ownWindow);

// The record of the windows this run faded, for giving them back. The sweeps
// add to it; a full record first forgets the windows that are gone, and if
// all are still there, the window stays faded but is not remembered.
void RememberFadedWindow(HWND hwnd);

// How many remembered windows are still there and still faded.
int FadedWindowCount();

// Makes the remembered windows ordinary opaque windows again and forgets them.
// Windows that do not respond are passed over and kept for the next time.
void RestoreFadedWindows();

#endif
