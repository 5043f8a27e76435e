// Which rule of Settings a window matches: by its title or by its program.
#ifndef HAZURO_MATCH_H
#define HAZURO_MATCH_H

#include <windows.h>

// Whether pattern occurs in title as whole characters of the ANSI code page:
// byte-exact and case-sensitive, but never starting inside a double-byte
// character. An empty pattern occurs in every title.
bool TitleContains(const char *title, const char *pattern);

// Whether a program's file name, such as "msedge.exe", is name, which may
// leave out ".exe"; case-insensitive.
bool ProgramNameMatches(const char *fileName, const char *name);

// Loads a DLL of the system folder by its full path: a bare name would be
// looked for in hazuro's own folder first, where anything may lie beside a
// downloaded hazuro.exe.
HMODULE LoadSystemLibrary(const char *name);

DWORD ProcessOf(HWND hwnd);

// The path of process's program into path (MAX_PATH bytes), or "" where it
// cannot be read: as GetModuleFileName gives it where hazuro may read the
// program's module list, else a device path whose last part is the file name.
void ReadImagePath(DWORD process, char *path);

// Whether h is the shell's desktop, the wallpaper behind it or a taskbar:
// never faded nor touched.
bool IsShellSurface(HWND h);

// Starts a walk over the windows: each process's program is read once in it.
void StartMatching();

// The first rule from firstRule on, in the list's order, that matches h, a
// window of process, or -1. Only a visible, non-layered window that is none
// of the shell's surfaces matches at all.
int MatchingRule(HWND h, DWORD process, int firstRule);

#endif
