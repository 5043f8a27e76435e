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

static Rule PendingRules[RULE_LIMIT];  // the rules as the dialog shows them
static int PendingRuleCount;
static int SelectedRule;  // the one the edit box, the scroll bar and the check box edit

static void ShowPendingAlpha(HWND hDlg)
{
    char text[16];
    wsprintfA(text, "%4d", PendingAlpha);
    SetWindowTextA(GetDlgItem(hDlg, IDC_ALPHA_LABEL), text);
}

static LRESULT SendItem(HWND hDlg, int id, UINT message, WPARAM wParam)
{
    return SendDlgItemMessageA(hDlg, id, message, wParam, 0);
}

// Writes line i of the list anew, or adds it after the last.
static void ShowRuleLine(HWND hDlg, int i)
{
    const Rule &rule = PendingRules[i];
    char line[1024];  // wsprintfA's limit
    wsprintfA(line, "%4d  %s%s", rule.alpha, rule.program ? "[プログラム名] " : "", rule.ietitle);
    SendItem(hDlg, IDC_RULE_LIST, LB_DELETESTRING, i);
    SendDlgItemMessageA(hDlg, IDC_RULE_LIST, LB_INSERTSTRING, i, (LPARAM)line);
    SendItem(hDlg, IDC_RULE_LIST, LB_SETCURSEL, SelectedRule);
}

// The selected rule takes what the edit box, the scroll bar and the check box show.
static void StoreSelectedRule(HWND hDlg)
{
    Rule &rule = PendingRules[SelectedRule];
    GetWindowTextA(GetDlgItem(hDlg, IDC_TITLE_EDIT), rule.ietitle, TITLE_PATTERN_SIZE);
    rule.alpha = PendingAlpha;
    rule.program = SendItem(hDlg, IDC_RULE_PROGRAM, BM_GETCHECK, 0) != 0;
    ShowRuleLine(hDlg, SelectedRule);
}

static void EnableItem(HWND hDlg, int id, bool enabled)
{
    EnableWindow(GetDlgItem(hDlg, id), enabled);
}

// Shows rule i in the controls that edit it. The first stays first and a
// title pattern.
static void SelectRule(HWND hDlg, int i)
{
    const Rule &rule = PendingRules[i];
    SelectedRule = i;
    PendingAlpha = rule.alpha;
    SendItem(hDlg, IDC_ALPHA_SCROLL, SBM_SETPOS, PendingAlpha);
    ShowPendingAlpha(hDlg);
    SendItem(hDlg, IDC_RULE_PROGRAM, BM_SETCHECK, rule.program);
    // The edit box says it changed: the rule is stored back and its line selected.
    SetWindowTextA(GetDlgItem(hDlg, IDC_TITLE_EDIT), rule.ietitle);
    EnableItem(hDlg, IDC_RULE_PROGRAM, i > 0);
    EnableItem(hDlg, IDC_RULE_REMOVE, i > 0);
    EnableItem(hDlg, IDC_RULE_ADD, PendingRuleCount < RULE_LIMIT);
}

static void FocusItem(HWND hDlg, int id)
{
    SendMessageA(hDlg, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(hDlg, id), TRUE);
}

INT_PTR CALLBACK ConfigDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SCROLLINFO info;
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = 0;
        info.nMax = 255;
        info.nPage = 1;
        info.nPos = Settings.rules[0].alpha;
        SetScrollInfo(GetDlgItem(hDlg, IDC_ALPHA_SCROLL), SB_CTL, &info, TRUE);
        PendingRuleCount = Settings.ruleCount;
        SelectedRule = 0;
        for (int i = 0; i < PendingRuleCount; ++i) {
            PendingRules[i] = Settings.rules[i];
            ShowRuleLine(hDlg, i);
        }
        SelectRule(hDlg, 0);
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
        StoreSelectedRule(hDlg);
        return FALSE;
    }

    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TITLE_EDIT:
        case IDC_RULE_PROGRAM:
            StoreSelectedRule(hDlg);
            return FALSE;
        case IDC_RULE_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE) {
                int i = (int)SendItem(hDlg, IDC_RULE_LIST, LB_GETCURSEL, 0);
                if (i >= 0)
                    SelectRule(hDlg, i);
            }
            return FALSE;
        case IDC_RULE_ADD:
            if (PendingRuleCount < RULE_LIMIT) {
                Rule &rule = PendingRules[PendingRuleCount];
                rule.ietitle[0] = '\0';
                rule.alpha = DEFAULT_ALPHA;
                rule.program = false;
                ShowRuleLine(hDlg, PendingRuleCount++);
                SelectRule(hDlg, PendingRuleCount - 1);
                FocusItem(hDlg, IDC_TITLE_EDIT);
            }
            return FALSE;
        case IDC_RULE_REMOVE:
            if (SelectedRule > 0) {
                SendItem(hDlg, IDC_RULE_LIST, LB_DELETESTRING, SelectedRule);
                --PendingRuleCount;
                for (int i = SelectedRule; i < PendingRuleCount; ++i)
                    PendingRules[i] = PendingRules[i + 1];
                SelectRule(hDlg, SelectedRule < PendingRuleCount ? SelectedRule : SelectedRule - 1);
                FocusItem(hDlg, IDC_RULE_LIST);
            }
            return FALSE;
        case IDOK: {
            // An added rule left without a text is none.
            int count = 0;
            for (int i = 0; i < PendingRuleCount; ++i)
                if (i == 0 || PendingRules[i].ietitle[0] != '\0')
                    Settings.rules[count++] = PendingRules[i];
            Settings.ruleCount = count;
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
