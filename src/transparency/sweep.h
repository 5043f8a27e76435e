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

// The topmost visible, non-layered top-level window whose title contains
// pattern (byte-wise, case-sensitive), or NULL.
HWND FindTargetWindow(const char *pattern);

// Fades every window that FindTargetWindow finds for Settings.ietitle to Settings.alpha.
void RunTransparencySweep();

#endif
