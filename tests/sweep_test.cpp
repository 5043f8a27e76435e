#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/hotkey.h"
#include "app/main_window.h"
#include "settings/settings.h"
#include "test_windows.h"
#include "transparency/mark.h"
#include "transparency/match.h"
#include "transparency/sweep.h"

TEST(LayeredSupport, LookupOutcomes)
{
    EXPECT_EQ(LookUpLayeredSupport("no-such-module-hazuro.dll", "SetLayeredWindowAttributes"),
              LAYERED_NO_USER32);
    EXPECT_EQ(LookUpLayeredSupport("user32.dll", "NoSuchFunctionHazuro"), LAYERED_NO_FUNCTION);
    EXPECT_EQ(pSetLayeredWindowAttributes, nullptr);
    EXPECT_EQ(LoadLayeredWindowSupport(), LAYERED_OK);
    EXPECT_EQ((void *)pSetLayeredWindowAttributes,
              (void *)GetProcAddress(GetModuleHandleA("user32.dll"), "SetLayeredWindowAttributes"));
}

class Sweep : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadLayeredWindowSupport(), LAYERED_OK); }
    void TearDown() override
    {
        for (HWND hwnd : windows)
            DestroyWindow(hwnd);
        PumpMessages();
    }

    HWND Window(const std::string &title, int showCommand = SW_SHOWNOACTIVATE,
                WNDPROC windowProc = NULL)
    {
        HWND hwnd = CreateTestWindow(title, showCommand, windowProc);
        windows.push_back(hwnd);
        return hwnd;
    }

    // The sweep runs on a second thread, as a separate program's would, while
    // this thread answers the style changes sent to its windows.
    static bool SweepWith(const char *pattern, int alpha, DWORD timeLimitMs = 10000)
    {
        lstrcpynA(Settings.rules[0].ietitle, pattern, sizeof Settings.rules[0].ietitle);
        Settings.rules[0].alpha = alpha;
        Settings.ruleCount = 1;
        return RunWhilePumping(RunTransparencySweep, timeLimitMs);
    }

    std::vector<HWND> windows;
};

static void ExpectFaded(HWND hwnd, int alpha)
{
    LayeredState state = LayeredStateOf(hwnd);
    EXPECT_TRUE(state.layered);
    EXPECT_EQ(state.alpha, alpha);
    EXPECT_EQ(state.flags, (DWORD)LWA_ALPHA);
}

TEST_F(Sweep, FadesVisibleMatchesAndLeavesTheRest)
{
    HWND page = Window("Start page - Internet Explorer");
    HWND second = Window("Internet Explorer");
    HWND minimised = Window("News - Internet Explorer", SW_SHOWMINNOACTIVE);
    HWND lowerCase = Window("start page - internet explorer");
    HWND hidden = Window("Hidden - Internet Explorer", SW_HIDE);
    HWND other = Window("Unrelated window");

    ASSERT_TRUE(SweepWith("Internet Explorer", 77));
    ExpectFaded(page, 77);
    ExpectFaded(second, 77);
    ExpectFaded(minimised, 77);
    EXPECT_FALSE(LayeredStateOf(lowerCase).layered);
    EXPECT_FALSE(LayeredStateOf(hidden).layered);
    EXPECT_FALSE(LayeredStateOf(other).layered);
    EXPECT_TRUE(IsWindowVisible(page));
}

TEST_F(Sweep, LayeredWindowsKeepTheirOpacity)
{
    HWND before = Window("hazuro sweep kept");
    SetWindowLongA(before, GWL_EXSTYLE, GetWindowLongA(before, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(before, 0, 200, LWA_ALPHA);
    HWND first = Window("hazuro sweep new");

    ASSERT_TRUE(SweepWith("hazuro sweep", 10));
    ExpectFaded(before, 200);
    ExpectFaded(first, 10);

    // A later sweep with another opacity touches only windows opened since.
    HWND later = Window("hazuro sweep later");
    ASSERT_TRUE(SweepWith("hazuro sweep", 150));
    ExpectFaded(first, 10);
    ExpectFaded(later, 150);
}

TEST_F(Sweep, OpacityExtremesStayVisibleAndLayered)
{
    HWND invisible = Window("hazuro extreme zero");
    ASSERT_TRUE(SweepWith("hazuro extreme zero", 0));
    ExpectFaded(invisible, 0);
    EXPECT_TRUE(IsWindowVisible(invisible));

    HWND opaque = Window("hazuro extreme");
    SetWindowPos(opaque, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(SweepWith("hazuro extreme", 255));
    ExpectFaded(opaque, 255);
    ExpectFaded(invisible, 0);  // not faded again
    ASSERT_TRUE(SweepWith("hazuro extreme", 100));
    ExpectFaded(opaque, 255);
}

TEST_F(Sweep, EmptyPatternFadesEveryVisibleWindow)
{
    HWND untitled = Window("");
    HWND titled = Window("hazuro anything");
    HWND hidden = Window("hazuro hidden", SW_HIDE);
    // The automatic mode leaves an empty pattern alone: it would fade every window opened.
    Settings.rules[0].ietitle[0] = '\0';
    ASSERT_TRUE(RunWhilePumping([] { RunAutomaticSweep(NULL); }, 10000));
    EXPECT_FALSE(LayeredStateOf(titled).layered);
    ASSERT_TRUE(SweepWith("", 60));
    ExpectFaded(untitled, 60);
    ExpectFaded(titled, 60);
    EXPECT_FALSE(LayeredStateOf(hidden).layered);
}

TEST_F(Sweep, LongTitlesAreMatchedOnTheirFirst999Bytes)
{
    // The marker ends at byte 999 in one window and at byte 1000 in the other.
    std::string marker = "hazuro-long-marker";
    HWND inside = Window(std::string(999 - marker.size(), 'x') + marker + "tail");
    HWND across = Window(std::string(1000 - marker.size(), 'y') + marker + "tail");
    ASSERT_TRUE(SweepWith(marker.c_str(), 90));
    ExpectFaded(inside, 90);
    EXPECT_FALSE(LayeredStateOf(across).layered);

    std::string longPattern(1000, 'z');
    HWND longer = Window(std::string(1200, 'z'));
    ASSERT_TRUE(SweepWith(longPattern.c_str(), 90));
    EXPECT_FALSE(LayeredStateOf(longer).layered);
}

TEST(TitleContains, MatchesWholeCharactersOnly)
{
    // Not the second byte of ア (83 41), 表 (95 5C) or こ (82 B1), nor ア across ャ (83 83) and A.
    EXPECT_FALSE(TitleContains("アイコン", "A"));
    EXPECT_FALSE(TitleContains("表示", "\\"));
    EXPECT_FALSE(TitleContains("こんにちは", "ｱ"));
    EXPECT_FALSE(TitleContains("ャA", "ア"));
    EXPECT_TRUE(TitleContains("アイコンA", "A"));
    EXPECT_TRUE(TitleContains("C:\\表示", "\\"));
    EXPECT_TRUE(TitleContains("ｱｲｳ", "ｱ"));
    EXPECT_TRUE(TitleContains("ャア", "ア"));
}

TEST_F(Sweep, JapanesePatternMatchesItsBytes)
{
    HWND notepad = Window("無題 - メモ帳");
    HWND other = Window("無題 - ワードパッド");
    ASSERT_TRUE(SweepWith("メモ帳", 45));
    ExpectFaded(notepad, 45);
    EXPECT_FALSE(LayeredStateOf(other).layered);
}

static LRESULT CALLBACK RefuseLayeredProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_STYLECHANGING && (int)wParam == GWL_EXSTYLE)
        ((STYLESTRUCT *)lParam)->styleNew &= ~WS_EX_LAYERED;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The test executable started with --child-window MODE TITLE EVENT runs this in
// a process of its own: a window that refuses the layered style ("refusing") or
// that stops handling messages ("hung") once EVENT is set.
int RunChildWindow(const char *mode, const char *title, const char *readyEvent)
{
    bool fadedHung = strcmp(mode, "faded-hung") == 0;  // faded before it stops
    DWORD stallsAt = strncmp(mode, "hung-at-", 8) == 0 ? atol(mode + 8) : 0;  // a tick count
    bool hung = fadedHung || strcmp(mode, "hung") == 0 || stallsAt != 0;
    HWND hwnd = CreateTestWindow(title, SW_SHOWNOACTIVATE, hung ? NULL : RefuseLayeredProc);
    if (fadedHung)
        SetWindowLongA(hwnd, GWL_EXSTYLE, GetWindowLongA(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hwnd, 0, 0, LWA_ALPHA);  // where layered
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyEvent);
    SetEvent(ready);
    if (hung) {
        for (MSG msg; stallsAt != 0 && (LONG)(GetTickCount() - stallsAt) < 0; Sleep(10))
            PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);  // answers what is sent
        Sleep(60000);
    } else {
        MSG msg;
        while (GetMessageA(&msg, NULL, 0, 0) > 0)
            DispatchMessageA(&msg);
    }
    DestroyWindow(hwnd);
    return 0;
}

// A window of another program; ended with the test.
class ChildWindow {
public:
    ChildWindow(const char *mode, const char *title)
    {
        std::string readyEvent = std::string("hazuro-child-ready-") + mode;
        ready = CreateEventA(NULL, TRUE, FALSE, readyEvent.c_str());
        char exe[MAX_PATH];
        GetModuleFileNameA(NULL, exe, sizeof exe);
        std::string commandLine = std::string("\"") + exe + "\" --child-window " + mode + " \"" +
                                  title + "\" " + readyEvent;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                           &process) &&
            WaitForSingleObject(ready, 20000) == WAIT_OBJECT_0)
            hwnd = FindWindowA(NULL, title);
    }
    ~ChildWindow()
    {
        if (process.hProcess != NULL) {
            TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, 5000);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        CloseHandle(ready);
    }
    HWND hwnd = NULL;

private:
    HANDLE ready;
    PROCESS_INFORMATION process = {};
};

TEST_F(Sweep, WindowRefusingTheLayeredStyleDoesNotStopTheSweep)
{
    HWND above = Window("hazuro refuse a");
    ChildWindow refusing("refusing", "hazuro refuse b");
    ASSERT_NE(refusing.hwnd, (HWND)NULL);
    HWND below = Window("hazuro refuse c");
    SetWindowPos(refusing.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(above, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    ASSERT_TRUE(SweepWith("hazuro refuse", 70, 5000)) << "the sweep did not end";
    EXPECT_FALSE(LayeredStateOf(refusing.hwnd).layered);
    ExpectFaded(above, 70);
    ExpectFaded(below, 70);
}

static LRESULT CALLBACK CloseWhenFadedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_STYLECHANGED && (int)wParam == GWL_EXSTYLE)
        DestroyWindow(hwnd);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(Sweep, AWindowClosingAsItIsFadedDoesNotCutTheWalkShort)
{
    HWND below[] = {Window("hazuro closing b"), Window("hazuro closing c"),
                    Window("hazuro closing d")};
    HWND top = Window("hazuro closing a", SW_SHOWNOACTIVATE, CloseWhenFadedProc);
    ASSERT_TRUE(SweepWith("hazuro closing", 80));
    EXPECT_FALSE(IsWindow(top));
    for (HWND hwnd : below)
        ExpectFaded(hwnd, 80);
}

TEST_F(Sweep, NothingMatchingChangesNothing)
{
    HWND a = Window("hazuro quiet one");
    ASSERT_TRUE(SweepWith("hazuro nothing matches this", 5));
    EXPECT_FALSE(LayeredStateOf(a).layered);
}

static void WaitTillHung(HWND hwnd)
{
    for (int i = 0; i < 100 && !IsHungAppWindow(hwnd); ++i)
        Sleep(100);
    ASSERT_TRUE(IsHungAppWindow(hwnd));
}

// Programs that stop answering one after another ("hung-at-T"), each as the sweep would reach
// it after waiting on the one above, hold it under three seconds in all; a tick, a moment only.
TEST_F(Sweep, ProgramsStoppingOneAfterAnotherHoldItUnderThreeSecondsInAll)
{
    DWORD start = GetTickCount() + 6000;  // once all three run
    ChildWindow c(("hung-at-" + std::to_string(start + 1900)).c_str(), "hazuro stall c");
    ChildWindow b(("hung-at-" + std::to_string(start + 900)).c_str(), "hazuro stall b");
    ChildWindow a(("hung-at-" + std::to_string(start)).c_str(), "hazuro stall a");
    while ((LONG)(GetTickCount() - start) < 100)
        Sleep(10);
    DWORD began = GetTickCount();
    EXPECT_TRUE(SweepWith("hazuro stall", 40, 7000));
    EXPECT_LT(GetTickCount() - began, 3000u);
    EXPECT_TRUE(RunWhilePumping([] { RunAutomaticSweep(NULL); }, 400));
}

// Each call that changes another program's window waits for that program.
TEST_F(Sweep, HungProgramsFreezeNeitherTheSweepNorGivingBack)
{
    ChildWindow hung("hung", "hazuro hung window");
    ChildWindow hungFaded("faded-hung", "hazuro hung faded");
    ASSERT_NE(hung.hwnd, (HWND)NULL);
    ASSERT_NE(hungFaded.hwnd, (HWND)NULL);
    ASSERT_NO_FATAL_FAILURE(WaitTillHung(hung.hwnd));
    ASSERT_NO_FATAL_FAILURE(WaitTillHung(hungFaded.hwnd));
    SetPropA(hungFaded.hwnd, "hazuro faded", (HANDLE)FADED_MARK);  // faded at 0 before it hung

    HWND responsive = Window("hazuro hung neighbour");
    EXPECT_TRUE(SweepWith("hazuro hung", 33, 5000)) << "the sweep waited on the hung window";
    EXPECT_FALSE(LayeredStateOf(hung.hwnd).layered);
    ExpectFaded(responsive, 33);
    ASSERT_EQ(FadedWindowCount(), 2);

    EXPECT_TRUE(RunWhilePumping([] { RestoreFadedWindows(); }, 5000)) << "giving back waited";
    EXPECT_FALSE(LayeredStateOf(responsive).layered);
    EXPECT_TRUE(LayeredStateOf(hungFaded.hwnd).layered);
    EXPECT_EQ(FadedWindowCount(), 1) << "the hung window is kept for later";
    // The shortcut key, finding nothing it can give back, fades.
    SendMessageA(Window("hazuro main", SW_HIDE, MainWndProc), WM_HOTKEY, HOTKEY_ID, 0);
    ExpectFaded(responsive, 33);
}
