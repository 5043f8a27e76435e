#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "resource.h"
#include "settings/settings.h"
#include "test_windows.h"
#include "transparency/mark.h"

// The main window procedure on a window of this thread, so that its system
// menu, which other processes cannot read, can be looked at.
class SystemMenu : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(LoadLayeredWindowSupport(), LAYERED_OK);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MainWndProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "HAZURO_TEST_MAIN";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "hazuro menu test",
                                 WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 300, 200, NULL,
                                 NULL, wc.hInstance, NULL);
        ASSERT_NE(window, (HWND)NULL);
        menu = GetSystemMenu(window, FALSE);
        lstrcpyA(Settings.rules[0].ietitle, "hazuro menu target");
        Settings.rules[0].alpha = 50;
        Settings.ruleCount = 1;
    }
    void TearDown() override
    {
        DestroyWindow(target);
        DestroyWindow(window);
        PumpMessages();  // the main window's quit message too
        DeleteFileA(GetIniPath());  // the choice of mode, saved beside this program
    }

    // The item's state as the system menu shows it when it opens.
    UINT State(UINT id)
    {
        SendMessageA(window, WM_INITMENUPOPUP, (WPARAM)menu, MAKELPARAM(0, TRUE));
        return GetMenuState(menu, id, MF_BYCOMMAND);
    }
    void Command(UINT message, WPARAM id) { SendMessageA(window, message, id, 0); }

    HWND window = NULL;
    HWND target = NULL;
    HMENU menu = NULL;
};

TEST_F(SystemMenu, ItemsFollowASeparatorAtTheEnd)
{
    const struct {
        UINT id;
        const char *text;
    } items[] = {{IDM_AUTO, "自動で半透明にする(&A)"},
                 {IDM_ACTIVE, "アクティブなウィンドウは不透明にする(&O)"},
                 {IDM_HOVER, "マウスの下のウィンドウは不透明にする(&M)"},
                 {IDM_WHEEL, "Ctrl+Alt+ホイールで透明度を変える(&W)"},
                 {IDM_EXIT_RESTORE, "終了時に元に戻す(&X)"},
                 {IDM_TRAY, "タスクトレイに入れる(&T)"},
                 {IDM_RESTORE, "元に戻す(&R)"}};
    int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 8);
    EXPECT_EQ(GetMenuState(menu, count - 8, MF_BYPOSITION) & MF_SEPARATOR, (UINT)MF_SEPARATOR);
    for (int i = 0; i < 7; ++i) {
        char text[64];
        EXPECT_EQ(GetMenuItemID(menu, count - 7 + i), items[i].id);
        GetMenuStringA(menu, items[i].id, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, items[i].text);
    }
}

TEST_F(SystemMenu, RestoreIsGreyedWhileNothingCanBeGivenBack)
{
    EXPECT_TRUE(State(IDM_RESTORE) & MF_GRAYED);
    target = CreateTestWindow("x - hazuro menu target");
    Command(WM_COMMAND, IDC_APPLY);
    ASSERT_TRUE(LayeredStateOf(target).layered);
    EXPECT_FALSE(State(IDM_RESTORE) & MF_GRAYED);

    Command(WM_SYSCOMMAND, IDM_RESTORE);
    EXPECT_FALSE(LayeredStateOf(target).layered);
    EXPECT_TRUE(State(IDM_RESTORE) & MF_GRAYED);

    Command(WM_COMMAND, IDC_APPLY);
    EXPECT_FALSE(State(IDM_RESTORE) & MF_GRAYED);
    DestroyWindow(target);
    EXPECT_TRUE(State(IDM_RESTORE) & MF_GRAYED) << "a closed window cannot be given back";
}

// Moved to a monitor at 150 %, the window is laid out anew, fonts included.
using MainWindowLayout = SystemMenu;
TEST_F(MainWindowLayout, FontsGrowWithTheDisplayScale)
{
    RECT suggested = {0, 0, 600, 300};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(144, 144), (LPARAM)&suggested);
    LOGFONTA font[2] = {};
    for (int i = 0; i < 2; ++i)
        GetObjectA((HFONT)SendDlgItemMessageA(window, IDC_APPLY + i, WM_GETFONT, 0, 0),
                   sizeof font[i], &font[i]);
    EXPECT_EQ(font[0].lfHeight, 75);
    EXPECT_EQ(font[1].lfHeight, 23);
}

TEST_F(SystemMenu, AutoFadeIsCheckedAsChosenAndRestoreTurnsItOff)
{
    EXPECT_FALSE(State(IDM_AUTO) & MF_CHECKED);
    Command(WM_SYSCOMMAND, IDM_AUTO);
    EXPECT_TRUE(State(IDM_AUTO) & MF_CHECKED);
    EXPECT_EQ(GetPrivateProfileIntA("config", "auto", -1, GetIniPath()), 1);

    Command(WM_SYSCOMMAND, IDM_RESTORE);
    EXPECT_FALSE(State(IDM_AUTO) & MF_CHECKED);
    EXPECT_EQ(GetPrivateProfileIntA("config", "auto", -1, GetIniPath()), 0);
}
