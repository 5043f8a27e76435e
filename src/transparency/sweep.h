// The walks over the desktop's windows: a press, a tick of the automatic mode,
// the give-back, the shortcut key and its undo. Each is one command, with its
// own time limit.
#ifndef HAZURO_SWEEP_H
#define HAZURO_SWEEP_H

#include <windows.h>

// Fades every visible, non-layered top-level window that a rule of Settings
// matches (but the desktop's) to the opacity of the first rule that does, in
// one walk from the top of the z-order.
void RunTransparencySweep();

// The same for a tick of the automatic mode: never the windows of ownWindow's
// process, and without the first rule while its pattern is empty.
void RunAutomaticSweep(HWND ownWindow);

// How many windows carry the mark and are still faded.
int FadedWindowCount();

// Makes every window that carries the mark and is still faded, whichever run
// of hazuro faded it, an ordinary opaque window again, and takes the mark off.
// Windows that do not answer or refuse are passed over and keep their mark.
// Returns how many were given back.
int RestoreFadedWindows();

// The shortcut key: gives back as RestoreFadedWindows does, or fades as a
// press does when nothing could be given back, within one time limit.
// Returns whether it gave back.
bool ToggleFadedWindows();

// Undoes the last press or give-back: gives back the windows it faded, or
// fades again the ones it gave back, each at the opacity it had.
void UndoLastChanges();

#endif
