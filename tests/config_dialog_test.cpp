#include <gtest/gtest.h>

#include <string>

#include "resource.h"
#include "settings/config_dialog.h"
#include "settings/settings.h"
#include "test_windows.h"

TEST(ScrollAlpha, StepsAndClamps)
{
    const struct {
        int from, code, thumb, to;
    } cases[] = {
        {32, SB_LINELEFT, 0, 31},      {0, SB_LINELEFT, 0, 0},
        {32, SB_LINERIGHT, 0, 33},     {255, SB_LINERIGHT, 0, 255},
        {32, SB_PAGELEFT, 0, 22},      {5, SB_PAGELEFT, 0, 0},
        {32, SB_PAGERIGHT, 0, 42},     {250, SB_PAGERIGHT, 0, 255},
        {32, SB_THUMBPOSITION, 200, 200}, {32, SB_THUMBTRACK, 7, 7},
        {32, SB_TOP, 0, 32},           {32, SB_BOTTOM, 0, 32},
        {32, SB_ENDSCROLL, 99, 32},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScrollAlpha(c.from, c.code, c.thumb), c.to)
            << "from " << c.from << " code " << c.code;
}

// The real dialog from the linked template, run modeless so the test can
// look at it between messages.
class ConfigDialog : public testing::Test {
protected:
    void SetUp() override
    {
        lstrcpyA(Settings.rules[0].ietitle, "Internet Explorer");
        Settings.rules[0].alpha = 32;
        Settings.ruleCount = 1;
        Open();
    }
    void TearDown() override
    {
        DestroyWindow(dialog);
        PumpMessages();
    }

    void Open()
    {
        dialog = CreateDialogParamA(GetModuleHandleA(NULL), "CONFIGDLG", NULL, ConfigDlgProc, 0);
        ASSERT_NE(dialog, (HWND)NULL);
        bar = GetDlgItem(dialog, IDC_ALPHA_SCROLL);
        edit = GetDlgItem(dialog, IDC_TITLE_EDIT);
    }

    void Scroll(int code, int thumb = 0)
    {
        EXPECT_EQ(SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, thumb), (LPARAM)bar), 0);
    }

    std::string Label()
    {
        char text[32];
        GetWindowTextA(GetDlgItem(dialog, IDC_ALPHA_LABEL), text, sizeof text);
        return text;
    }

    // The number, the thumb and PendingAlpha must always agree.
    void ExpectShowing(int alpha)
    {
        char expected[16];
        wsprintfA(expected, "%4d", alpha);
        EXPECT_EQ(PendingAlpha, alpha);
        EXPECT_EQ(Label(), expected);
        EXPECT_EQ(GetScrollPos(bar, SB_CTL), alpha);
    }

    void SetTo(int alpha) { Scroll(SB_THUMBPOSITION, alpha); }

    HWND dialog = NULL;
    HWND bar = NULL;
    HWND edit = NULL;
};

TEST_F(ConfigDialog, OpensWithTheCurrentSettings)
{
    EXPECT_EQ(Label(), "  32");
    ExpectShowing(32);
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(bar, SB_CTL, &info);
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, 255);
    EXPECT_EQ(info.nPage, 1u);

    char text[64];
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "Internet Explorer");
    EXPECT_EQ(GetFocus(), edit);
}

TEST_F(ConfigDialog, EveryScrollCodeMovesNumberAndThumbTogether)
{
    Scroll(SB_LINERIGHT);
    ExpectShowing(33);
    Scroll(SB_LINELEFT);
    ExpectShowing(32);
    Scroll(SB_PAGERIGHT);
    ExpectShowing(42);
    Scroll(SB_PAGELEFT);
    ExpectShowing(32);

    SetTo(250);
    Scroll(SB_PAGERIGHT);
    ExpectShowing(255);
    Scroll(SB_LINERIGHT);
    ExpectShowing(255);
    SetTo(5);
    Scroll(SB_PAGELEFT);
    ExpectShowing(0);
    Scroll(SB_LINELEFT);
    ExpectShowing(0);

    SetTo(120);
    Scroll(SB_TOP);
    ExpectShowing(120);
    Scroll(SB_BOTTOM);
    ExpectShowing(120);
    Scroll(SB_ENDSCROLL);
    ExpectShowing(120);
}

TEST_F(ConfigDialog, DraggingTheThumbUpdatesTheNumberAtEveryStep)
{
    for (int position : {31, 7, 0, 99, 255, 128}) {
        Scroll(SB_THUMBTRACK, position);
        ExpectShowing(position);
    }
}

TEST_F(ConfigDialog, ScrollMessagesFromOtherControlsAreIgnored)
{
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0), (LPARAM)edit);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 200), 0);
    ExpectShowing(32);
}

TEST_F(ConfigDialog, OkHandsTheValuesOver)
{
    SetTo(200);
    SetWindowTextA(edit, "メモ帳");
    EXPECT_EQ(Settings.rules[0].alpha, 32) << "settings change only on OK";
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(Settings.rules[0].alpha, 200);
    EXPECT_STREQ(Settings.rules[0].ietitle, "メモ帳");
}

TEST_F(ConfigDialog, OkKeepsTheFirst1023BytesAndAcceptsAnEmptyText)
{
    std::string text;
    for (int i = 0; text.size() < 1500; ++i)
        text += "t" + std::to_string(i);
    SetWindowTextA(edit, text.c_str());
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(std::string(Settings.rules[0].ietitle), text.substr(0, 1023));

    DestroyWindow(dialog);
    Open();
    SetWindowTextA(edit, "");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_STREQ(Settings.rules[0].ietitle, "");
}

TEST_F(ConfigDialog, CancelDropsChangesAndTheNextOpeningStartsAfresh)
{
    SetTo(180);
    SetWindowTextA(edit, "changed");
    SendMessageA(dialog, WM_COMMAND, IDC_RULE_ADD, 0);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(Settings.ruleCount, 1);
    EXPECT_EQ(Settings.rules[0].alpha, 32);
    EXPECT_STREQ(Settings.rules[0].ietitle, "Internet Explorer");

    DestroyWindow(dialog);
    Open();
    ExpectShowing(32);
    char text[64];
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "Internet Explorer");
}

// The controls edit the rule selected; the first can be neither removed nor a
// program's name; an added rule left empty is dropped.
TEST_F(ConfigDialog, RulesAreSelectedAddedAndRemoved)
{
    HWND list = GetDlgItem(dialog, IDC_RULE_LIST);
    auto command = [this](int id) { SendMessageA(dialog, WM_COMMAND, id, 0); };
    auto select = [&](int i) {
        SendMessageA(list, LB_SETCURSEL, i, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_RULE_LIST, LBN_SELCHANGE), (LPARAM)list);
    };
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_RULE_REMOVE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_RULE_PROGRAM)));
    command(IDC_RULE_ADD);
    EXPECT_EQ(GetFocus(), edit);
    SetWindowTextA(edit, "msedge.exe");
    SendDlgItemMessageA(dialog, IDC_RULE_PROGRAM, BM_CLICK, 0, 0);
    SetTo(128);
    for (int i = 0; i < 15; ++i)
        command(IDC_RULE_ADD);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_RULE_ADD)));
    SetWindowTextA(edit, "last");
    select(0);
    ExpectShowing(32);
    char line[64];
    SendMessageA(list, LB_GETTEXT, 1, (LPARAM)line);
    EXPECT_STREQ(line, " 128  [プログラム名] msedge.exe");
    select(1);
    command(IDC_RULE_REMOVE);
    command(IDOK);
    ASSERT_EQ(Settings.ruleCount, 2);
    EXPECT_STREQ(Settings.rules[1].ietitle, "last");
    EXPECT_FALSE(Settings.rules[1].program);
}

// Modal runs: a timer, served by the dialog's own modal loop, plays the user.
static void (*ModalAction)(HWND dialog);

static void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowA("#32770", "設定");
    if (dialog == NULL || !IsWindowVisible(dialog))
        return;
    KillTimer(NULL, timer);
    ModalAction(dialog);
}

static INT_PTR RunModal(void (*action)(HWND dialog))
{
    ModalAction = action;
    SetTimer(NULL, 0, 50, ActOnDialog);
    return DialogBoxParamA(GetModuleHandleA(NULL), "CONFIGDLG", NULL, ConfigDlgProc, 0);
}

static void PostKey(HWND dialog, UINT key)
{
    HWND focus = GetFocus();
    PostMessageA(focus != NULL ? focus : dialog, WM_KEYDOWN, key, 0);
}

TEST_F(ConfigDialog, ModalRunReturnsOneForOkAndZeroForCancel)
{
    DestroyWindow(dialog);
    dialog = NULL;

    EXPECT_EQ(RunModal([](HWND d) {
                  SendMessageA(GetDlgItem(d, IDC_ALPHA_SCROLL), SBM_SETPOS, 0, TRUE);
                  SendMessageA(d, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 90),
                               (LPARAM)GetDlgItem(d, IDC_ALPHA_SCROLL));
                  PostMessageA(d, WM_COMMAND, IDOK, 0);
              }),
              1);
    EXPECT_EQ(Settings.rules[0].alpha, 90);

    EXPECT_EQ(RunModal([](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }), 0);
    EXPECT_EQ(RunModal([](HWND d) { PostKey(d, VK_ESCAPE); }), 0);
    EXPECT_EQ(RunModal([](HWND d) { SendMessageA(d, WM_CLOSE, 0, 0); }), 0);
    EXPECT_EQ(Settings.rules[0].alpha, 90);

    EXPECT_EQ(RunModal([](HWND d) {
                  SetWindowTextA(GetDlgItem(d, IDC_TITLE_EDIT), "by enter");
                  PostKey(d, VK_RETURN);
              }),
              1);
    EXPECT_STREQ(Settings.rules[0].ietitle, "by enter");
}
