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

// Whether a program's file name, such as "msedge.exe", is name, which may
// leave out ".exe"; case-insensitive.
bool ProgramNameMatches(const char *fileName, const char *name);

// The topmost visible, non-layered top-level window whose title contains
// pattern, or NULL. The shell's desktop window is never one.
HWND FindTargetWindow(const char *pattern);

// Starts a command (a press, a give-back, the shortcut key, a tick of the
// automatic mode) that waits on other programs about limitMs at most in all,
// however many of them stop answering: each is waited on once.
void LimitWaits(DWORD limitMs);

// Fades every visible, non-layered top-level window that a rule of Settings
// matches (but the desktop's) to the opacity of the first rule that does, in
// one walk from the top of the z-order.
void RunTransparencySweep();

// The same for the automatic mode: never the windows of ownWindow's process,
// and without the first rule while its pattern is empty.
void RunAutomaticSweep(HWND ownWindow);

// hazuro's mark on a window it faded: the opacity it gave, with FADED_MARK
// set so that an opacity of 0 is a mark too, and SHOWN_OPAQUE while the
// window is shown opaque as the active one. The mark lives with the window,
// so a later run of hazuro finds what an earlier one faded. The other bits
// are kept for a later version: a value with any of them set is no mark of
// this one, and its window is left alone.
enum { FADED_MARK = 0x100, SHOWN_OPAQUE = 0x200 };

// Marks hwnd as faded by hazuro at alpha; false when the mark cannot be set.
bool MarkFaded(HWND hwnd, int alpha);

// The mark on hwnd while the window still shows what the mark says (layered,
// at the mark's opacity alone), else 0; a mark that no longer holds is taken
// off, for the window's program has taken its layering over.
INT_PTR FadedMarkOf(HWND hwnd);

// How many windows carry the mark and are still faded.
int FadedWindowCount();

// Makes every window that carries the mark and is still faded, whichever run
// of hazuro faded it, an ordinary opaque window again, and takes the mark off.
// Windows that do not answer or refuse are passed over and keep their mark.
// Returns how many were given back.
int RestoreFadedWindows();

// Shows the faded window that is active, or that owns the active window,
// fully opaque, and gives the one shown before its faded look back; with
// active false, only the latter.
void ShowActiveWindowOpaque(bool active);

// Undoes the last press or give-back: gives back the windows it faded, or
// fades again the ones it gave back, each at the opacity it had.
void UndoLastChanges();

#endif
