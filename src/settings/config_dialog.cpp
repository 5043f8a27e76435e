#include "settings/config_dialog.h"

#include <commctrl.h>

#include "resource.h"
#include "settings/settings.h"

int PendingAlpha;

int ScrollAlpha(int alpha, int scrollCode, int thumbPosition)
{
    switch (scrollCode) {
    case SB_LINELEFT:
        return alpha - 1 < 0 ? 0 : alpha - 1;
    case SB_LINERIGHT:
        return alpha + 1 > 255 ? 255 : alpha + 1;
    case SB_PAGELEFT:
        return alpha - 10 < 0 ? 0 : alpha - 10;
    case SB_PAGERIGHT:
        return alpha + 10 > 255 ? 255 : alpha + 10;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        return thumbPosition;
    default:
        return alpha;
    }
}

static void ShowPendingAlpha(HWND hDlg)
{
    char text[16];
    wsprintfA(text, "%4d", PendingAlpha);
    SetWindowTextA(GetDlgItem(hDlg, IDC_ALPHA_LABEL), text);
}

INT_PTR CALLBACK ConfigDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        PendingAlpha = Settings.alpha;
        SCROLLINFO info;
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = 0;
        info.nMax = 255;
        info.nPage = 1;
        info.nPos = PendingAlpha;
        info.nTrackPos = 0;
        SetScrollInfo(GetDlgItem(hDlg, IDC_ALPHA_SCROLL), SB_CTL, &info, TRUE);
        ShowPendingAlpha(hDlg);
        SetWindowTextA(GetDlgItem(hDlg, IDC_TITLE_EDIT), Settings.ietitle);
        HWND hotkey = GetDlgItem(hDlg, IDC_HOTKEY);
        SendMessageA(hotkey, HKM_SETRULES, HOTKEY_TOO_FEW_MODIFIERS,
                     MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        SendMessageA(hotkey, HKM_SETHOTKEY, Settings.hotkey, 0);
        return TRUE;
    }

    case WM_HSCROLL: {
        HWND bar = GetDlgItem(hDlg, IDC_ALPHA_SCROLL);
        if ((HWND)lParam != bar)
            return FALSE;
        PendingAlpha = ScrollAlpha(PendingAlpha, LOWORD(wParam), HIWORD(wParam));
        SendMessageA(bar, SBM_SETPOS, PendingAlpha, TRUE);
        ShowPendingAlpha(hDlg);
        return FALSE;
    }

    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            Settings.alpha = PendingAlpha;
            GetWindowTextA(GetDlgItem(hDlg, IDC_TITLE_EDIT), Settings.ietitle,
                           sizeof Settings.ietitle);
            WORD hotkey = (WORD)SendMessageA(GetDlgItem(hDlg, IDC_HOTKEY), HKM_GETHOTKEY, 0, 0);
            Settings.hotkey = IsUsableHotkey(hotkey) ? hotkey : 0;
            EndDialog(hDlg, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(hDlg, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
