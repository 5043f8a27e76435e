// hazuro's mark on the windows it fades, and the one place that fades a
// window, gives it back and shows its look.
#ifndef HAZURO_MARK_H
#define HAZURO_MARK_H

#include <windows.h>

enum LayeredSupport {
    LAYERED_OK,
    LAYERED_NO_USER32,
    LAYERED_NO_FUNCTION
};

typedef BOOL(WINAPI *SetLayeredWindowAttributesProc)(HWND, COLORREF, BYTE, DWORD);

// Set by a successful lookup; nothing is faded before one.
extern SetLayeredWindowAttributesProc pSetLayeredWindowAttributes;

// Looks SetLayeredWindowAttributes up in user32.dll, which stays loaded on success.
LayeredSupport LoadLayeredWindowSupport();

// The same lookup with the names given, so the failures can be exercised.
LayeredSupport LookUpLayeredSupport(const char *moduleName, const char *functionName);

// hazuro's mark on a window it faded: the opacity it gave, with FADED_MARK
// set so that an opacity of 0 is a mark too, and SHOWN_OPAQUE while the
// window is shown opaque. BEING_FADED in place of FADED_MARK says that hazuro
// is changing the window's style or opacity: should it end meanwhile, the
// window is layered perhaps without an opacity, invisible, and still hazuro's
// to give back. The mark lives with the window, so a later run of hazuro
// finds what an earlier one faded. The other bits are kept for a later
// version: a value with any of them set is no mark of this one, and its
// window is left alone.
enum { FADED_MARK = 0x100, SHOWN_OPAQUE = 0x200, BEING_FADED = 0x400 };

bool IsLayered(HWND hwnd);

// The mark on hwnd while the window still shows what the mark says (layered,
// at the mark's opacity alone, or layered at all while it is being faded),
// else 0; a mark that no longer holds is taken off, for the window's program
// has taken its layering over.
INT_PTR FadedMarkOf(HWND hwnd);

// Whether FadedMarkOf would find a mark on hwnd; it only reads, so any
// thread may ask.
bool IsFadedByHazuro(HWND hwnd);

// Marks hwnd and makes it layered at alpha; false, leaving it as it was, when
// its program does not answer within the command or the window refuses.
bool FadeWindow(HWND hwnd, int alpha);

// Makes a window hazuro faded an ordinary opaque one again and takes the mark
// off; false when its program does not answer within the command or the
// window stays layered.
bool GiveBackWindow(HWND hwnd);

// Gives a window hazuro faded another opacity, shown at once, and keeps it as
// the mark's.
void SetFadedOpacity(HWND hwnd, int alpha);

// Gives hwnd, if hazuro faded it, its faded look or the opaque one.
void ShowLook(HWND hwnd, bool opaque);

#endif
