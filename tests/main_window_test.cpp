#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "resource.h"
#include "settings/settings.h"
#include "test_windows.h"
#include "transparency/sweep.h"

// The main window procedure on a window of this thread, so that its system
// menu and fonts, which other processes cannot read, can be looked at.
class MainWindowHere : public testing::Test {
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
        lstrcpyA(Settings.ietitle, "hazuro menu target");
        Settings.alpha = 50;
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

using SystemMenu = MainWindowHere;
using DisplayScale = MainWindowHere;

TEST_F(SystemMenu, ItemsFollowASeparatorAtTheEnd)
{
    int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 3);
    EXPECT_EQ(GetMenuState(menu, count - 3, MF_BYPOSITION) & MF_SEPARATOR, (UINT)MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(menu, count - 2), (UINT)IDM_AUTO);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), (UINT)IDM_RESTORE);
    char text[64];
    GetMenuStringA(menu, IDM_AUTO, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "自動で半透明にする(&A)");
    GetMenuStringA(menu, IDM_RESTORE, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "元に戻す(&R)");
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

static std::string RectOf(HWND button)
{
    RECT r;
    GetWindowRect(button, &r);
    MapWindowPoints(NULL, GetParent(button), (POINT *)&r, 2);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

static LONG FontHeightOf(HWND button)
{
    LOGFONTA font = {};
    GetObjectA((HFONT)SendMessageA(button, WM_GETFONT, 0, 0), sizeof font, &font);
    return font.lfHeight;
}

// Dragged to a monitor at 150 %: the suggested place, then everything half again as large.
TEST_F(DisplayScale, MovedToAnotherScaleTheLayoutFollows)
{
    HWND apply = GetDlgItem(window, IDC_APPLY);
    HWND settings = GetDlgItem(window, IDC_CONFIG);
    ASSERT_EQ(FontHeightOf(apply), 50);
    HFONT before = (HFONT)SendMessageA(apply, WM_GETFONT, 0, 0);
    RECT suggested = {40, 30, 640, 260};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(144, 144), (LPARAM)&suggested);

    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 30);
    EXPECT_EQ(client.right, 555);
    EXPECT_EQ(client.bottom, 188);
    EXPECT_EQ(RectOf(apply), "15,15,540,120");
    EXPECT_EQ(RectOf(settings), "15,135,540,173");
    EXPECT_EQ(FontHeightOf(apply), 75);
    EXPECT_EQ(FontHeightOf(settings), 23);
    EXPECT_EQ(GetObjectType(before), 0u) << "the fonts of the old scale are deleted";
}
