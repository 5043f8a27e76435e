#include "transparency/mark.h"

#include "transparency/command.h"

SetLayeredWindowAttributesProc pSetLayeredWindowAttributes;

typedef BOOL(WINAPI *GetLayeredWindowAttributesProc)(HWND, COLORREF *, BYTE *, DWORD *);

static GetLayeredWindowAttributesProc pGetLayeredWindowAttributes;  // NULL before XP
static ATOM FadedMarkAtom;  // names the mark; made at first use, kept by the system after us

LayeredSupport LookUpLayeredSupport(const char *moduleName, const char *functionName)
{
    HMODULE module = LoadLibraryA(moduleName);
    if (module == NULL)
        return LAYERED_NO_USER32;
    pSetLayeredWindowAttributes =
        (SetLayeredWindowAttributesProc)(void (*)())GetProcAddress(module, functionName);
    if (pSetLayeredWindowAttributes == NULL) {
        FreeLibrary(module);
        return LAYERED_NO_FUNCTION;
    }
    pGetLayeredWindowAttributes = (GetLayeredWindowAttributesProc)(void (*)())GetProcAddress(
        module, "GetLayeredWindowAttributes");
    return LAYERED_OK;
}

LayeredSupport LoadLayeredWindowSupport()
{
    return LookUpLayeredSupport("user32.dll", "SetLayeredWindowAttributes");
}

bool IsLayered(HWND hwnd)
{
    return (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

// A global atom outlives this process: the next run finds the same mark.
static LPCSTR FadedMarkName()
{
    if (FadedMarkAtom == 0)
        FadedMarkAtom = GlobalAddAtomA("hazuro faded");
    return MAKEINTATOM(FadedMarkAtom);
}

// The one writer of the mark's value.
static bool SetMark(HWND hwnd, INT_PTR mark)
{
    LPCSTR name = FadedMarkName();
    return name != NULL && SetPropA(hwnd, name, (HANDLE)mark);
}

static void Unmark(HWND hwnd)
{
    RemovePropA(hwnd, FadedMarkName());
}

// A mark holds only while the window shows what hazuro gave it: a program
// that set an opacity of its own, drew its layered window itself, or layered
// the window anew, owns it again, and the mark goes. Windows 2000 cannot read
// the opacity back; there the mark alone tells.
static INT_PTR ReadMark(HWND hwnd, bool takeOffStale)
{
    INT_PTR mark = (INT_PTR)GetPropA(hwnd, FadedMarkName());
    INT_PTR kind = mark & ~(INT_PTR)0xFF;
    if (kind != BEING_FADED && (kind & ~(INT_PTR)SHOWN_OPAQUE) != FADED_MARK)
        return 0;  // none, or a value hazuro never writes: not ours to touch
    BYTE alpha;
    DWORD flags;
    if (!IsLayered(hwnd) ||
        (kind != BEING_FADED && pGetLayeredWindowAttributes != NULL &&
         (!pGetLayeredWindowAttributes(hwnd, NULL, &alpha, &flags) ||
          (flags & (LWA_ALPHA | LWA_COLORKEY)) != LWA_ALPHA ||
          alpha != (mark & SHOWN_OPAQUE ? 255 : (BYTE)mark)))) {
        if (takeOffStale)
            Unmark(hwnd);
        return 0;
    }
    return mark;
}

INT_PTR FadedMarkOf(HWND hwnd)
{
    return ReadMark(hwnd, true);
}

bool IsFadedByHazuro(HWND hwnd)
{
    return ReadMark(hwnd, false) != 0;
}

static void SetLayeredStyle(HWND hwnd, bool layered)
{
    LONG style = GetWindowLongA(hwnd, GWL_EXSTYLE) & ~WS_EX_LAYERED;
    SetWindowLongA(hwnd, GWL_EXSTYLE, layered ? style | WS_EX_LAYERED : style);
}

// Every opacity hazuro gives is given here, the mark saying "being faded"
// until the window shows what mark says.
static bool ShowMarked(HWND hwnd, INT_PTR mark)
{
    return SetMark(hwnd, BEING_FADED | (BYTE)mark) &&
           pSetLayeredWindowAttributes(hwnd, 0, mark & SHOWN_OPAQUE ? 255 : (BYTE)mark,
                                       LWA_ALPHA) &&
           SetMark(hwnd, mark);
}

// Marked first: should hazuro end half-way, the next run still knows the
// window; a window that cannot be marked could never be given back, and is
// not faded. One whose program does not answer, or that refuses, is passed
// over; a layered window without an opacity would stay invisible, so the
// mark stays until the style is off.
bool FadeWindow(HWND h, int alpha)
{
    if (!Answers(h) || !SetMark(h, BEING_FADED | alpha))
        return false;
    SetLayeredStyle(h, true);
    if (IsLayered(h) && ShowMarked(h, FADED_MARK | alpha))
        return true;
    SetLayeredStyle(h, false);
    if (!IsLayered(h))
        Unmark(h);
    return false;
}

// Not answering now, it is given back later.
bool GiveBackWindow(HWND hwnd)
{
    if (!Answers(hwnd))
        return false;
    SetLayeredStyle(hwnd, false);
    RedrawWindow(hwnd, NULL, NULL, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    if (IsLayered(hwnd))
        return false;
    Unmark(hwnd);
    return true;
}

void SetFadedOpacity(HWND hwnd, int alpha)
{
    ShowMarked(hwnd, FADED_MARK | alpha);
}

// Unlike the style change, this sends the window no message: no program can
// hold it.
void ShowLook(HWND hwnd, bool opaque)
{
    INT_PTR mark = FadedMarkOf(hwnd);
    if (mark != 0 && ((mark & SHOWN_OPAQUE) != 0) != opaque)
        ShowMarked(hwnd, FADED_MARK | (BYTE)mark | (opaque ? SHOWN_OPAQUE : 0));
}
