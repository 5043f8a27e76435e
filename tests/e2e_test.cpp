// The built program as a user meets it: started as a process of its own from
// a fresh directory, driven through its windows with messages.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <memory>
#include <string>
#include <vector>

#include <shellapi.h>
#include <tlhelp32.h>

#include "test_windows.h"

extern "C" BOOL WINAPI SetShellWindow(HWND);  // user32's, not in the headers

namespace {

const int kApplyId = 10000;
const int kSettingsId = 10001;
const int kTitleEditId = 20000;
const int kAlphaScrollId = 20001;
const int kAlphaLabelId = 20002;
const int kHotkeyId = 20003;
const int kRestoreId = 0x0010;  // items of the system menu
const int kAutoId = 0x0020;
const int kActiveId = 0x0030;
const int kHoverId = 0x0040;
const int kWheelId = 0x0060;
const int kTrayId = 0x0070;
const UINT kTrayIconMessage = WM_APP + 2;  // the icon's news, with the mouse message in lParam
const int kExitRestoreId = 0x0050;
const int kMessageTextId = 0xFFFF;  // the text of a message box

const DWORD kTimeLimitMs = 10000;

std::string ProductPath;  // hazuro.exe as a Windows path, from the command line

// Start-up times, reported at the end of the run.
DWORD StartupTotalMs = 0;
int StartupCount = 0;

// Handles this thread's messages until done() holds; false after timeLimitMs.
template <typename Condition>
bool WaitUntil(Condition done, DWORD timeLimitMs = kTimeLimitMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeLimitMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
        PumpMessages();
    }
}

// A round trip through the window's message loop. SendMessageTimeout serves
// the messages sent to this thread meanwhile, such as the sweep's style changes.
bool RoundTrip(HWND hwnd, UINT message = WM_NULL, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_NORMAL, kTimeLimitMs,
                               &result) != 0;
}

// A top-level window of process pid with this class and title, a visible one if shown.
HWND FindWindowOf(DWORD pid, const char *windowClass, const char *title, bool shown = true)
{
    for (HWND h = FindWindowExA(NULL, NULL, windowClass, title); h != NULL;
         h = FindWindowExA(NULL, h, windowClass, title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == pid && (!shown || IsWindowVisible(h)))
            return h;
    }
    return NULL;
}

std::string TextOf(HWND hwnd)
{
    char text[1100] = "";
    DWORD_PTR length;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, kTimeLimitMs,
                        &length);
    return text;
}

// Client coordinates of a child window within its parent.
RECT ClientRectOf(HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(NULL, GetParent(child), (POINT *)&rect, 2);
    return rect;
}

std::string Describe(const RECT &r)
{
    char text[64];
    wsprintfA(text, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

void ExpectFaded(HWND hwnd, int alpha)
{
    LayeredState state = LayeredStateOf(hwnd);
    EXPECT_TRUE(state.layered);
    EXPECT_EQ((int)state.alpha, alpha);
    EXPECT_EQ(state.flags, (DWORD)LWA_ALPHA);
}

void ExpectUntouched(HWND hwnd)
{
    EXPECT_FALSE(LayeredStateOf(hwnd).layered);
}

void MoveTo(HWND hwnd, int x, int y)
{
    SetWindowPos(hwnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int WheelMessages;  // turns that reached a window of CountWheelProc

LRESULT CALLBACK CountWheelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WheelMessages += message == WM_MOUSEWHEEL;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The wheel turned by delta over the middle of hwnd, as the mouse turns it,
// with the keys held from a moment before (Wine forgets injected keys when
// the pointer has moved: they are pressed once it has).
void TurnWheelOver(HWND hwnd, int delta, std::vector<WORD> keys = {VK_CONTROL, VK_MENU})
{
    RECT rect;
    GetWindowRect(hwnd, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    WaitUntil([] { return false; }, 100);
    std::vector<INPUT> inputs(2 * keys.size() + 1, INPUT());
    for (size_t i = 0; i < keys.size(); ++i) {
        inputs[i].type = inputs[inputs.size() - 1 - i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = inputs[inputs.size() - 1 - i].ki.wVk = keys[i];
        inputs[inputs.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    inputs[keys.size()].type = INPUT_MOUSE;
    inputs[keys.size()].mi.dwFlags = MOUSEEVENTF_WHEEL;
    inputs[keys.size()].mi.mouseData = (DWORD)delta;
    SendInput(keys.size(), &inputs[0], sizeof inputs[0]);
    WaitUntil([] { return false; }, 50);
    SendInput(keys.size() + 1, &inputs[keys.size()], sizeof inputs[0]);
    WaitUntil([] { return false; }, 100);
}

// One run of the program.
class Hazuro {
public:
    ~Hazuro() { End(); }

    // showCommand, unless negative, is the show state the program is asked for.
    bool Start(const std::string &exePath, const std::string &arguments,
               const std::string &currentDirectory, int showCommand, bool shown = true)
    {
        std::string commandLine = "\"" + exePath + "\"";
        if (!arguments.empty())
            commandLine += " " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (showCommand >= 0) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = (WORD)showCommand;
        }
        DWORD began = GetTickCount();
        if (!CreateProcessA(exePath.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL,
                            currentDirectory.c_str(), &startup, &process))
            return false;
        // A program that quits at once need not be waited for.
        WaitUntil([this, shown] {
            window = FindWindowOf(process.dwProcessId, "HAZURO_CLASS", "hazuro Ver1.00", shown);
            return window != NULL || Ended();
        });
        if (window == NULL)
            return false;
        StartupTotalMs += GetTickCount() - began;
        ++StartupCount;
        return RoundTrip(window);  // its message loop runs
    }

    // Closes the window as the close box does, or waits for its end; the exit code, or STILL_ACTIVE.
    DWORD Close(bool ask = true)
    {
        if (ask)
            PostMessageA(window, WM_CLOSE, 0, 0);
        WaitUntil([this] { return Ended(); });
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process.hProcess, &code);
        End();
        return code;
    }

    void Kill() { TerminateProcess(process.hProcess, 1); }

    bool PressApply() { return RoundTrip(GetDlgItem(window, kApplyId), BM_CLICK); }

    // An item of the system menu chosen, as the menu sends it.
    bool Choose(int item) { return RoundTrip(window, WM_SYSCOMMAND, item); }

    // Clicks the settings button; the dialog once its modal loop shows it, or NULL.
    HWND OpenSettings()
    {
        PostMessageA(GetDlgItem(window, kSettingsId), BM_CLICK, 0, 0);
        return WaitForWindow("#32770", "設定");
    }

    // A window of the program's once it shows, or NULL.
    HWND WaitForWindow(const char *windowClass, const char *title)
    {
        HWND found = NULL;
        WaitUntil([&] {
            found = FindWindowOf(process.dwProcessId, windowClass, title);
            return found != NULL;
        });
        return found;
    }

    // Waits for the dialog to go and for the main window to finish the command
    // that opened it, saving included.
    bool WaitForDialogEnd(HWND dialog)
    {
        return WaitUntil([dialog] { return !IsWindow(dialog); }) && RoundTrip(window);
    }

    HWND window = NULL;

private:
    bool Ended() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }

    // Closes the program as the user would, or kills it when that fails.
    void End()
    {
        if (process.hProcess == NULL)
            return;
        if (!Ended()) {
            if (window != NULL)
                PostMessageA(window, WM_CLOSE, 0, 0);
            if (window == NULL || !WaitUntil([this] { return Ended(); }, 5000))
                TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, kTimeLimitMs);
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        process = PROCESS_INFORMATION();
        window = NULL;
    }

    PROCESS_INFORMATION process = {};
};

// Each test gets the program copied into a fresh directory, and is started
// from a sibling directory so that only the program's own location counts.
class EndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        root = MakeTempDirectory();
        appDirectory = root + "app\\";
        workDirectory = root + "work\\";
        ASSERT_TRUE(CreateDirectoryA(appDirectory.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(workDirectory.c_str(), NULL));
        ASSERT_TRUE(CopyFileA(ProductPath.c_str(), (appDirectory + "hazuro.exe").c_str(), TRUE))
            << "cannot copy " << ProductPath;
    }

    void TearDown() override
    {
        hazuro.reset();
        for (HWND hwnd : windows)
            DestroyWindow(hwnd);
        PumpMessages();
        RemoveDirectoryTree(root);
        EXPECT_FALSE(FileExists(root)) << "left behind: " << root;
    }

    // Starts the program; a failure ends the test.
    void Launch(const std::string &arguments = "", int showCommand = -1, bool shown = true)
    {
        hazuro.reset(new Hazuro);
        ASSERT_TRUE(hazuro->Start(appDirectory + "hazuro.exe", arguments, workDirectory,
                                  showCommand, shown))
            << "the main window did not appear";
    }

    HWND Window(const std::string &title)
    {
        HWND hwnd = CreateTestWindow(title);
        windows.push_back(hwnd);
        return hwnd;
    }

    std::string IniPath() const { return appDirectory + "hazuro.ini"; }

    void WriteIni(const std::string &ietitle, int alpha)
    {
        WriteWholeFile(IniPath(), "[config]\r\nietitle=" + ietitle +
                                      "\r\nalpha=" + std::to_string(alpha) + "\r\n");
    }

    // A key of [config] as the program would read it; "<missing>" when absent.
    std::string IniValue(const char *key) const
    {
        char value[1100];
        GetPrivateProfileStringA("config", key, "<missing>", value, sizeof value,
                                 IniPath().c_str());
        return value;
    }

    std::string root, appDirectory, workDirectory;
    std::unique_ptr<Hazuro> hazuro;
    std::vector<HWND> windows;
};

// The settings dialog of a running program, as the user sees and handles it.
class SettingsDialog {
public:
    explicit SettingsDialog(HWND dialog) : dialog(dialog) {}

    HWND Item(int id) const { return GetDlgItem(dialog, id); }
    std::string Pattern() const { return TextOf(Item(kTitleEditId)); }
    std::string AlphaLabel() const { return TextOf(Item(kAlphaLabelId)); }
    int ThumbPosition() const { return GetScrollPos(Item(kAlphaScrollId), SB_CTL); }

    void TypePattern(const char *text) { SetWindowTextA(Item(kTitleEditId), text); }
    void Scroll(int code, int thumb = 0)
    {
        RoundTrip(dialog, WM_HSCROLL, MAKEWPARAM(code, thumb), (LPARAM)Item(kAlphaScrollId));
    }
    void Click(int id) { PostMessageA(Item(id), BM_CLICK, 0, 0); }
    // Keys reach the dialog manager only through the modal loop's queue.
    void PressKey(UINT key) { PostMessageA(Item(kTitleEditId), WM_KEYDOWN, key, 0); }

private:
    HWND dialog;
};

// Sets the pattern (unless NULL) and the opacity in the settings dialog and
// clicks OK; the dialog, perhaps still closing, or NULL when it did not open.
HWND ChangeSettings(Hazuro &hazuro, const char *pattern, int alpha)
{
    HWND found = hazuro.OpenSettings();
    if (found == NULL)
        return NULL;
    SettingsDialog dialog(found);
    if (pattern != NULL)
        dialog.TypePattern(pattern);
    dialog.Scroll(SB_THUMBPOSITION, alpha);
    dialog.Click(IDOK);
    return found;
}

void ExpectMainWindowLayout(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 370);
    EXPECT_EQ(client.bottom, 125);

    LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG wanted = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);

    const struct {
        int id;
        const char *text;
        LONG style;
        RECT rect;
    } buttons[] = {
        {kApplyId, "hazuro", 0x50000001, {10, 10, 360, 80}},
        {kSettingsId, "設定", 0x50000000, {10, 90, 360, 115}},
    };
    int children = 0;
    for (HWND h = GetWindow(window, GW_CHILD); h != NULL; h = GetWindow(h, GW_HWNDNEXT))
        ++children;
    EXPECT_EQ(children, 2);
    for (const auto &b : buttons) {
        HWND button = GetDlgItem(window, b.id);
        ASSERT_NE(button, (HWND)NULL) << "button " << b.id;
        char className[32];
        GetClassNameA(button, className, sizeof className);
        EXPECT_STREQ(className, "Button");
        char text[64];
        GetWindowTextA(button, text, sizeof text);
        EXPECT_STREQ(text, b.text);
        EXPECT_EQ(GetWindowLongA(button, GWL_STYLE), b.style) << "button " << b.id;
        EXPECT_EQ(Describe(ClientRectOf(button)), Describe(b.rect)) << "button " << b.id;
    }
}

using MainWindow = EndToEnd;

TEST_F(MainWindow, HasItsLayoutAndClosingEndsTheProgramWithZero)
{
    Launch();
    ExpectMainWindowLayout(hazuro->window);
    EXPECT_FALSE(IsIconic(hazuro->window));
    HWND window = hazuro->window;
    EXPECT_EQ(hazuro->Close(), 0u);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(FileExists(IniPath())) << "running alone writes no settings";
}

TEST_F(MainWindow, CommandLineArgumentsChangeNothing)
{
    WriteIni("hazuro e2e args", 150);
    Launch("/foo bar -alpha=7 hazuro.ini");
    ExpectMainWindowLayout(hazuro->window);

    HWND target = Window("target - hazuro e2e args");
    HWND browser = Window("x - Internet Explorer");
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(target, 150);
    ExpectUntouched(browser);
    EXPECT_EQ(hazuro->Close(), 0u);
}

// As from a shortcut set to run minimised.
TEST_F(MainWindow, StartsMinimisedWhenAskedTo)
{
    Launch("", SW_SHOWMINNOACTIVE);
    EXPECT_TRUE(IsIconic(hazuro->window));
    EXPECT_EQ(hazuro->Close(), 0u);
}

// Wine takes the display scale from the registry at a program's start.
TEST_F(MainWindow, GrowsHalfAgainAt150Percent)
{
    const char kDesktop[] = "Control Panel\\Desktop";
    DWORD dpi = 144;
    RegSetKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    Launch();
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels");
    RECT client;
    GetClientRect(hazuro->window, &client);
    EXPECT_EQ(Describe(client), "(0,0)-(555,188)");
    EXPECT_EQ(Describe(ClientRectOf(GetDlgItem(hazuro->window, kApplyId))), "(15,15)-(540,120)");
    EXPECT_EQ(Describe(ClientRectOf(GetDlgItem(hazuro->window, kSettingsId))), "(15,135)-(540,173)");
}

// Keys as the keyboard sends them, to whatever program is in front.
void SendKeys(std::initializer_list<BYTE> keys, DWORD flags = 0)
{
    for (BYTE key : keys)
        keybd_event(key, 0, flags | (key == VK_RIGHT ? KEYEVENTF_EXTENDEDKEY : 0), 0);
}

// Whether hwnd's icon is in the notification area: only one there takes a change.
bool HasTrayIcon(HWND hwnd, DWORD change = NIM_MODIFY)
{
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = hwnd;
    icon.uID = 1;
    return Shell_NotifyIconA(change, &icon) != 0;
}

// Wine lets a test reach the icon only as the shell does, by its messages, and
// the icon's menu from the keyboard, as a user does.
void UseTrayMenu(Hazuro &hazuro, BYTE key)
{
    PostMessageA(hazuro.window, kTrayIconMessage, 1, WM_RBUTTONUP);
    hazuro.WaitForWindow("#32768", NULL);
    SendKeys({key});
    SendKeys({key}, KEYEVENTF_KEYUP);
}

// In the notification area: a minimise hides the window and a click on the
// icon shows it, the icon comes back when Explorer restarts, a second start
// shows the first and ends, and the menu works; off, the icon goes. Started
// minimised, it is never shown.
TEST_F(MainWindow, InTheNotificationArea)
{
    WriteIni("hazuro e2e tray", 40);
    Launch();
    HWND window = hazuro->window;
    EXPECT_FALSE(HasTrayIcon(window));
    ASSERT_TRUE(hazuro->Choose(kTrayId));
    EXPECT_EQ(IniValue("tray"), "1");
    EXPECT_TRUE(HasTrayIcon(window));
    for (int i = 0; i < 2; ++i) {
        PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(WaitUntil([window] { return !IsWindowVisible(window); }));
        if (i == 0) {
            ASSERT_TRUE(RoundTrip(window, kTrayIconMessage, 1, WM_LBUTTONUP));
        } else {
            Hazuro second;
            EXPECT_FALSE(second.Start(appDirectory + "hazuro.exe", "", workDirectory, -1, false));
            EXPECT_EQ(second.Close(false), 0u);
        }
        EXPECT_TRUE(WaitUntil([window] { return IsWindowVisible(window) && !IsIconic(window); }));
    }
    ASSERT_TRUE(HasTrayIcon(window, NIM_DELETE));  // as when Explorer ends
    ASSERT_TRUE(RoundTrip(window, RegisterWindowMessageA("TaskbarCreated")));
    EXPECT_TRUE(HasTrayIcon(window));
    HWND target = Window("a - hazuro e2e tray");
    UseTrayMenu(*hazuro, 'H');  // 半透明にする
    EXPECT_TRUE(WaitUntil([target] { return LayeredStateOf(target).alpha == 40; }));
    ASSERT_TRUE(hazuro->Choose(kTrayId));
    EXPECT_FALSE(HasTrayIcon(window));
    ASSERT_TRUE(hazuro->Choose(kTrayId));
    EXPECT_EQ(hazuro->Close(), 0u);
    EXPECT_FALSE(HasTrayIcon(window));

    Launch("", SW_SHOWMINNOACTIVE, false);
    EXPECT_FALSE(WaitUntil([this] { return IsWindowVisible(hazuro->window); }, 1000));
    EXPECT_TRUE(HasTrayIcon(hazuro->window));
    UseTrayMenu(*hazuro, 'Q');  // 終了
    EXPECT_EQ(hazuro->Close(false), 0u);
}

using Apply = EndToEnd;

TEST_F(Apply, WithoutSettingsFileFadesBrowserWindowsOnly)
{
    Launch();
    HWND first = Window("x - Internet Explorer");
    HWND second = Window("Internet Explorer");
    HWND other = Window("hazuro e2e unrelated");
    HWND lowerCase = Window("y - internet explorer");

    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(first, 32);
    ExpectFaded(second, 32);
    ExpectUntouched(other);
    ExpectUntouched(lowerCase);
    ExpectUntouched(hazuro->window);

    // Windows opened later are found by the next press, a hundred as surely as
    // one: a fault in how the sweep calls the platform can take many fades to show.
    std::vector<HWND> later;
    for (int i = 0; i < 100; ++i)
        later.push_back(Window("z" + std::to_string(i) + " - Internet Explorer"));
    ASSERT_TRUE(hazuro->PressApply());
    int faded = 0;
    for (HWND hwnd : later)
        faded += LayeredStateOf(hwnd).alpha == 32;
    EXPECT_EQ(faded, 100);
    EXPECT_FALSE(FileExists(IniPath()));
    EXPECT_EQ(hazuro->Close(), 0u) << "the program survives its sweeps";
}

TEST_F(Apply, SettingsFileIsInForceAtTheFirstPress)
{
    WriteIni("メモ帳", 77);
    Launch();
    HWND notepad = Window("無題 - メモ帳");
    HWND browser = Window("x - Internet Explorer");

    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(notepad, 77);
    ExpectUntouched(browser);
}

// A program that stops answering for 3.5 s once it has made its twenty windows.
DWORD WINAPI StallingWindowThread(LPVOID windows)
{
    for (int i = 0; i < 20; ++i)
        ((HWND *)windows)[i] = CreateTestWindow("hung - hazuro e2e stall");
    Sleep(3500);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

// It holds the press a second, once for all its windows, well before Windows
// would call hazuro itself not responding; the other windows are faded. The
// end of the session gives nothing back; a close sent while a press waits is
// carried out after it: with 終了時に元に戻す, nothing stays faded.
TEST_F(Apply, AProgramThatStopsAnsweringHoldsThePressASecondOnce)
{
    WriteWholeFile(IniPath(), "[config]\r\nietitle=hazuro e2e stall\r\nalpha=40\r\nrestoreatexit=1\r\nwheel=1\r\n");
    Launch();
    HWND other = CreateTestWindow("other - hazuro e2e stall", SW_SHOWNOACTIVATE, CountWheelProc);
    windows.push_back(other);
    MoveTo(other, 0, 300);  // beside the program's windows
    HWND hung[20] = {};
    HANDLE thread = CreateThread(NULL, 0, StallingWindowThread, hung, 0, NULL);
    ASSERT_TRUE(WaitUntil([&hung] { return hung[19] != NULL; }));
    DWORD began = GetTickCount();
    ASSERT_TRUE(hazuro->PressApply());
    EXPECT_LT(GetTickCount() - began, 3000u);
    EXPECT_TRUE(RoundTrip(hazuro->window, WM_ENDSESSION, TRUE, 0));
    ExpectFaded(other, 40);
    ExpectUntouched(hung[0]);
    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    PostMessageA(GetDlgItem(hazuro->window, kApplyId), BM_CLICK, 0, 0);
    WaitUntil([] { return false; }, 300);
    began = GetTickCount();
    WheelMessages = 0;
    TurnWheelOver(other, 120, {});  // the mouse waits on no one while the press does
    EXPECT_LT(GetTickCount() - began, 500u);
    EXPECT_EQ(WheelMessages, 1);
    EXPECT_TRUE(RoundTrip(hazuro->window, WM_CLOSE));
    EXPECT_EQ(hazuro->Close(false), 0u);
    ExpectUntouched(other);
    PostMessageA(hung[0], WM_QUIT, 0, 0);
    WaitForSingleObject(thread, kTimeLimitMs);
    CloseHandle(thread);
}

// Windows of the classes of the shell's desktop, wallpaper and taskbars.
std::vector<HWND> ShellSurfaces()
{
    std::vector<HWND> surfaces;
    for (const char *name : {"Progman", "WorkerW", "Shell_TrayWnd", "Shell_SecondaryTrayWnd"}) {
        WNDCLASSA wc = {0, DefWindowProcA, 0, 0, NULL, 0, 0, 0, 0, name};
        RegisterClassA(&wc);
        surfaces.push_back(CreateWindowExA(0, name, "", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, 0, 0, 0, 0));
    }
    return surfaces;
}

// The first rule that matches gives the opacity, of a title or of a program,
// the file's name compared without case, ".exe" left out or not; never the desktop.
TEST_F(Apply, TheFirstRuleThatMatchesAWindowGivesItsOpacity)
{
    WriteWholeFile(IniPath(), "[config]\r\nietitle=hazuro e2e rule\r\nalpha=70\r\n"
                              "program2=HAZURO_E2E_TESTS\r\nalpha2=50\r\nprogram3=hazuro.exe\r\nalpha3=90\r\n");
    Launch();
    HWND titled = Window("a - hazuro e2e rule");
    HWND other = Window("another window");
    HWND desktop = Window("hazuro e2e rule desktop");
    ASSERT_TRUE(SetShellWindow(desktop));
    std::vector<HWND> surfaces = ShellSurfaces();  // of the program a rule names
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(titled, 70);
    ExpectFaded(other, 50);
    ExpectFaded(hazuro->window, 90);
    ExpectUntouched(desktop);
    for (HWND hwnd : surfaces)
        ExpectUntouched(hwnd), DestroyWindow(hwnd);
}

using Settings = EndToEnd;

TEST_F(Settings, CancelAndEscapeKeepEverything)
{
    Launch();
    HWND found = hazuro->OpenSettings();
    ASSERT_NE(found, (HWND)NULL) << "the settings dialog did not appear";
    EXPECT_EQ(GetWindow(found, GW_OWNER), hazuro->window);
    EXPECT_FALSE(IsWindowEnabled(hazuro->window)) << "the dialog is modal";
    SettingsDialog dialog(found);
    EXPECT_EQ(dialog.Pattern(), "Internet Explorer");
    EXPECT_EQ(dialog.AlphaLabel(), "  32");
    EXPECT_EQ(dialog.ThumbPosition(), 32);

    dialog.TypePattern("hazuro e2e changed");
    dialog.Scroll(SB_THUMBPOSITION, 200);
    EXPECT_EQ(dialog.AlphaLabel(), " 200");
    dialog.Click(IDCANCEL);
    ASSERT_TRUE(hazuro->WaitForDialogEnd(found));
    EXPECT_TRUE(IsWindowEnabled(hazuro->window));
    EXPECT_FALSE(FileExists(IniPath()));

    found = hazuro->OpenSettings();
    ASSERT_NE(found, (HWND)NULL);
    SettingsDialog again(found);
    EXPECT_EQ(again.Pattern(), "Internet Explorer");
    EXPECT_EQ(again.AlphaLabel(), "  32");
    again.Scroll(SB_LINELEFT);
    again.PressKey(VK_ESCAPE);
    ASSERT_TRUE(hazuro->WaitForDialogEnd(found));
    EXPECT_FALSE(FileExists(IniPath()));

    HWND browser = Window("x - Internet Explorer");
    HWND changed = Window("hazuro e2e changed");
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(browser, 32);
    ExpectUntouched(changed);
}

TEST_F(Settings, OkSavesAndTheNextRunUsesTheSavedSettings)
{
    Launch();
    HWND found = hazuro->OpenSettings();
    ASSERT_NE(found, (HWND)NULL);
    SettingsDialog dialog(found);
    dialog.TypePattern("メモ帳");
    dialog.Scroll(SB_THUMBPOSITION, 100);
    dialog.Scroll(SB_LINERIGHT);
    dialog.Scroll(SB_PAGELEFT);
    EXPECT_EQ(dialog.AlphaLabel(), "  91");
    dialog.PressKey(VK_RETURN);
    ASSERT_TRUE(hazuro->WaitForDialogEnd(found));

    EXPECT_EQ(ReadWholeFile(IniPath()), "[config]\r\nietitle=メモ帳\r\nalpha=91\r\n");
    EXPECT_FALSE(FileExists(workDirectory + "hazuro.ini")) << "beside the program, not the cwd";

    // In force at once...
    HWND first = Window("無題 - メモ帳");
    HWND browser = Window("x - Internet Explorer");
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(first, 91);
    ExpectUntouched(browser);
    ASSERT_EQ(hazuro->Close(), 0u);

    // ...and after a restart.
    Launch();
    HWND second = Window("新規 - メモ帳");
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(second, 91);
    ExpectUntouched(browser);

    found = hazuro->OpenSettings();
    ASSERT_NE(found, (HWND)NULL);
    SettingsDialog reopened(found);
    EXPECT_EQ(reopened.Pattern(), "メモ帳");
    EXPECT_EQ(reopened.AlphaLabel(), "  91");
    EXPECT_EQ(reopened.ThumbPosition(), 91);
    reopened.Click(IDOK);
    ASSERT_TRUE(hazuro->WaitForDialogEnd(found));
    EXPECT_EQ(IniValue("ietitle"), "メモ帳");
    EXPECT_EQ(IniValue("alpha"), "91");
}

TEST_F(Settings, EmptyPatternFadesTheProgramsOwnWindowToo)
{
    Launch();
    HWND found = ChangeSettings(*hazuro, "", 200);
    ASSERT_NE(found, (HWND)NULL);
    ASSERT_TRUE(hazuro->WaitForDialogEnd(found));
    EXPECT_EQ(IniValue("ietitle"), "");
    EXPECT_EQ(IniValue("alpha"), "200");

    HWND mine = Window("hazuro e2e anything");
    std::vector<HWND> surfaces = ShellSurfaces();
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(hazuro->window, 200);
    ExpectFaded(mine, 200);
    for (HWND hwnd : surfaces)
        ExpectUntouched(hwnd), DestroyWindow(hwnd);
}

TEST_F(Settings, ASaveThatFailsIsSaidAndTheNewSettingsHoldForTheRun)
{
    ASSERT_TRUE(CreateDirectoryA(IniPath().c_str(), NULL));  // no write can succeed
    Launch();
    ASSERT_NE(ChangeSettings(*hazuro, "メモ帳", 120), (HWND)NULL);

    HWND box = hazuro->WaitForWindow("#32770", "hazuro");
    ASSERT_NE(box, (HWND)NULL) << "the failure was not said";
    EXPECT_EQ(GetWindow(box, GW_OWNER), hazuro->window);
    EXPECT_EQ(TextOf(GetDlgItem(box, kMessageTextId)),
              "設定を保存できませんでした。\r\n" + IniPath() +
                  "\r\n\r\n新しい設定は、hazuro を終了するまで使われます。");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(hazuro->WaitForDialogEnd(box));

    HWND notepad = Window("無題 - メモ帳");
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(notepad, 120);
}

using Undo = EndToEnd;

TEST_F(Undo, GivesBackWhatHazuroFadedAndNothingElse)
{
    WriteIni("hazuro e2e undo", 200);
    Launch();
    HWND first = Window("a - hazuro e2e undo");
    HWND second = Window("b - hazuro e2e undo");
    HWND layered = Window("c - hazuro e2e undo");  // its own program's, at the same opacity
    SetWindowLongA(layered, GWL_EXSTYLE, GetWindowLongA(layered, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(layered, 0, 200, LWA_ALPHA);
    HWND other = Window("hazuro e2e unrelated");

    ASSERT_TRUE(hazuro->Choose(kRestoreId)) << "nothing to give back yet";
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(first, 200);
    ExpectFaded(second, 200);
    ExpectFaded(layered, 200);
    ExpectUntouched(other);

    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    ExpectUntouched(first);
    ExpectUntouched(second);
    ExpectFaded(layered, 200);
    ExpectUntouched(other);
    EXPECT_EQ(IniValue("auto"), "<missing>") << "with the mode off nothing is written";

    // What was given back is faded again by the next press, at the opacity set since.
    HWND found = ChangeSettings(*hazuro, NULL, 150);
    ASSERT_NE(found, (HWND)NULL);
    ASSERT_TRUE(hazuro->WaitForDialogEnd(found));
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(first, 150);
    ExpectFaded(second, 150);
    ExpectFaded(layered, 200);

    // A closed window is forgotten; giving back twice over does no more than once.
    DestroyWindow(second);
    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    ExpectUntouched(first);
    ExpectFaded(layered, 200);

    // Closing gives nothing back.
    ASSERT_TRUE(hazuro->PressApply());
    EXPECT_EQ(hazuro->Close(), 0u);
    ExpectFaded(first, 150);

    // Its program's again, given an opacity of its own after a fade or layered after a give-back
    // even at hazuro's, or under a value hazuro never writes: never given back nor shown opaque.
    Launch();
    HWND own = Window("d - hazuro e2e undo");
    SetPropA(layered, "hazuro faded", (HANDLE)0x500);
    ASSERT_TRUE(hazuro->PressApply());
    SetLayeredWindowAttributes(own, 0, 80, LWA_ALPHA);
    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    SetWindowLongA(first, GWL_EXSTYLE, GetWindowLongA(first, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(first, 0, 150, LWA_ALPHA);
    ASSERT_TRUE(hazuro->Choose(kActiveId));
    for (HWND hwnd : {own, layered, first}) {
        SetForegroundWindow(hwnd);
        WaitUntil([] { return false; }, 600);
    }
    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    ExpectFaded(own, 80);
    ExpectFaded(layered, 200);
    ExpectFaded(first, 150);
    EXPECT_EQ(GetPropA(layered, "hazuro faded"), (HANDLE)0x500);
}

Hazuro *EndedInStyleChange;  // ended by EndingStyleProc while it holds the program there

LRESULT CALLBACK EndingStyleProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_STYLECHANGED && EndedInStyleChange != NULL)
        EndedInStyleChange->Kill(), EndedInStyleChange->Close(false), EndedInStyleChange = NULL;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Ended inside the style change, hazuro leaves the window layered without an
// opacity (invisible on Windows): the next run gives it back. Restart Manager
// closing hazuro alone closes it as the close box does.
TEST_F(Undo, AWindowHalfFadedWhenHazuroEndsIsGivenBackByTheNextRun)
{
    WriteIni("hazuro e2e held", 60);
    Launch();
    HWND held = CreateTestWindow("hazuro e2e held", SW_SHOWNOACTIVATE, EndingStyleProc);
    windows.push_back(held);
    EndedInStyleChange = hazuro.get();
    hazuro->PressApply();
    EXPECT_TRUE(LayeredStateOf(held).layered);
    Launch();
    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    ExpectUntouched(held);
    EXPECT_TRUE(RoundTrip(hazuro->window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP));
    EXPECT_EQ(hazuro->Close(false), 0u);
}

using AutoFade = EndToEnd;

// The opacity follows the layered style in a second call: wait for both.
bool BecomesFaded(HWND hwnd, DWORD timeLimitMs = kTimeLimitMs)
{
    return WaitUntil([hwnd] { return LayeredStateOf(hwnd).flags == LWA_ALPHA; }, timeLimitMs);
}

TEST_F(AutoFade, FadesWindowsAsTheyComeToMatchButNeverItsOwn)
{
    WriteIni("hazuro", 90);  // the main window's title matches too
    Launch();
    HWND other = Window("e2e unrelated");
    ASSERT_TRUE(hazuro->Choose(kAutoId));
    EXPECT_EQ(IniValue("auto"), "1");
    HWND opened = Window("opened - hazuro");
    EXPECT_TRUE(BecomesFaded(opened));
    ExpectFaded(opened, 90);
    ExpectUntouched(other);
    ExpectUntouched(hazuro->window);
    hazuro->Kill();  // as the Task Manager ends a program

    // hazuro.ini keeps the mode on for the next run.
    Launch();
    HWND retitled = Window("e2e not yet");
    HWND later = Window("later - hazuro");
    EXPECT_TRUE(BecomesFaded(later));
    ExpectUntouched(retitled);
    SetWindowTextA(retitled, "retitled - hazuro");
    EXPECT_TRUE(BecomesFaded(retitled));
    ExpectUntouched(hazuro->window);

    // Giving back turns the mode off, in the file too, and gives back what the
    // killed run faded as well.
    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    EXPECT_EQ(IniValue("auto"), "0");
    ExpectUntouched(later);
    ExpectUntouched(retitled);
    ExpectUntouched(opened);
    HWND afterwards = Window("afterwards - hazuro");
    EXPECT_FALSE(BecomesFaded(afterwards, 2500));
}

using ActiveOpaque = EndToEnd;

bool HasOpacity(HWND hwnd, BYTE alpha)
{
    return WaitUntil([hwnd, alpha] { return LayeredStateOf(hwnd).alpha == alpha; });
}

TEST_F(ActiveOpaque, TheActiveFadedWindowIsOpaqueAndLeftTakesBackItsOwnOpacity)
{
    WriteIni("hazuro e2e active", 60);
    Launch();
    HWND first = Window("a - hazuro e2e active");
    HWND owner = Window("b - hazuro e2e active");
    HWND owned = Window("its dialog");
    SetWindowLongPtrA(owned, GWLP_HWNDPARENT, (LONG_PTR)owner);
    HWND lookAlike = Window("c - hazuro e2e active");  // its own program's, at the same opacity
    SetWindowLongA(lookAlike, GWL_EXSTYLE, GetWindowLongA(lookAlike, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(lookAlike, 0, 60, LWA_ALPHA);
    ASSERT_TRUE(hazuro->PressApply());
    ASSERT_TRUE(hazuro->Choose(kActiveId));
    EXPECT_EQ(IniValue("active"), "1");
    HWND found = ChangeSettings(*hazuro, NULL, 150);
    ASSERT_NE(found, (HWND)NULL);
    ASSERT_TRUE(hazuro->WaitForDialogEnd(found));

    SetForegroundWindow(first);
    EXPECT_TRUE(HasOpacity(first, 255));
    SetForegroundWindow(owned);
    EXPECT_TRUE(HasOpacity(owner, 255)) << "the owner of the active window";
    EXPECT_TRUE(HasOpacity(first, 60)) << "the opacity it was given, not the one set since";
    SetForegroundWindow(lookAlike);
    EXPECT_TRUE(HasOpacity(owner, 60));
    ExpectFaded(lookAlike, 60);

    // Off, the window shown opaque looks faded again at once.
    SetForegroundWindow(first);
    EXPECT_TRUE(HasOpacity(first, 255));
    ASSERT_TRUE(hazuro->Choose(kActiveId));
    ExpectFaded(first, 60);
    EXPECT_EQ(IniValue("active"), "0");
}


// The faded window under the pointer is opaque too, found where it is on the
// screen: even one that lets every click through, as one at opacity 0 does on
// Windows, and one faded below the active one.
TEST_F(ActiveOpaque, TheWindowUnderThePointerToo)
{
    WriteWholeFile(IniPath(), "[config]\r\nietitle=hazuro e2e hover\r\nalpha=0\r\nhover=1\r\n");
    Launch();
    HWND under = Window("a - hazuro e2e hover");
    SetWindowLongA(under, GWL_EXSTYLE, GetWindowLongA(under, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    HWND active = Window("b - hazuro e2e hover");
    MoveTo(active, 300, 0);
    MoveTo(hazuro->window, 600, 300);
    ASSERT_TRUE(hazuro->PressApply());
    SetCursorPos(110, 60);
    EXPECT_TRUE(HasOpacity(under, 255));
    SetCursorPos(100, 400);
    EXPECT_TRUE(HasOpacity(under, 0));
    ASSERT_TRUE(hazuro->Choose(kActiveId));
    SetForegroundWindow(active);
    SetCursorPos(110, 60);
    EXPECT_TRUE(HasOpacity(active, 255));
    EXPECT_TRUE(HasOpacity(under, 255));
    ASSERT_TRUE(hazuro->Choose(kHoverId));
    ExpectFaded(under, 0);
    EXPECT_EQ(IniValue("hover"), "0");
}

DWORD ThreadCountOf(HWND hwnd)
{
    DWORD process = 0, count = 0;
    GetWindowThreadProcessId(hwnd, &process);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread;
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        count += thread.th32OwnerProcessID == process;
    CloseHandle(snapshot);
    return count;
}

// Ctrl+Alt and the wheel: 16 a notch, 4 with Shift, parts of a notch adding
// up, never below 16 (nor lower than a rule went), never above 255, where the
// automatic mode leaves it. Only hazuro's turns stay with it; the item's hook
// lives on a thread of its own.
TEST_F(AutoFade, CtrlAltAndTheWheelTurnAWindowsOpacity)
{
    WriteWholeFile(IniPath(), "[config]\r\nietitle=hazuro e2e wheel\r\nalpha=20\r\nietitle2=hazuro e2e zero\r\n"
                              "alpha2=10\r\nauto=1\r\n");
    Launch();
    HWND turned = CreateTestWindow("a - hazuro e2e wheel", SW_SHOWNOACTIVATE, CountWheelProc);
    HWND zero = Window("b - hazuro e2e zero");  // a rule's opacity under the wheel's floor
    HWND plain = Window("hazuro e2e plain");
    HWND own = CreateTestWindow("hazuro e2e own", SW_SHOWNOACTIVATE, CountWheelProc);
    windows.insert(windows.end(), {turned, own});
    SetWindowLongA(own, GWL_EXSTYLE, GetWindowLongA(own, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(own, 0, 100, LWA_ALPHA);
    MoveTo(zero, 0, 150);
    MoveTo(plain, 300, 0);
    MoveTo(own, 300, 150);
    MoveTo(hazuro->window, 600, 300);
    EXPECT_TRUE(BecomesFaded(turned));
    WheelMessages = 0;
    DWORD threads = ThreadCountOf(hazuro->window);
    ASSERT_TRUE(hazuro->Choose(kWheelId));
    EXPECT_EQ(ThreadCountOf(hazuro->window), threads + 1);

    for (int delta : {-120, -120, 120})
        TurnWheelOver(turned, delta);
    EXPECT_TRUE(HasOpacity(turned, 32));
    TurnWheelOver(turned, 120, {VK_CONTROL, VK_MENU, VK_SHIFT});
    EXPECT_TRUE(HasOpacity(turned, 36));
    for (int i = 0; i < 3; ++i)
        TurnWheelOver(turned, 40);
    EXPECT_TRUE(HasOpacity(turned, 52));
    TurnWheelOver(turned, 120 * 14);
    for (int delta : {-120, 120})
        TurnWheelOver(zero, delta);
    TurnWheelOver(plain, -120);
    TurnWheelOver(own, -120);
    EXPECT_TRUE(HasOpacity(zero, 26));
    EXPECT_TRUE(HasOpacity(plain, 239));
    EXPECT_EQ(WheelMessages, 1) << "passed on over a window its program layered";
    TurnWheelOver(turned, -120, {});
    EXPECT_EQ(WheelMessages, 2) << "passed on without Ctrl+Alt";
    ExpectFaded(own, 100);
    WaitUntil([] { return false; }, 1200);  // a tick of the automatic mode
    ExpectFaded(turned, 255);

    ASSERT_TRUE(hazuro->Choose(kWheelId));
    EXPECT_EQ(ThreadCountOf(hazuro->window), threads);
    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    ExpectUntouched(turned);
    ExpectUntouched(plain);
}

// Sets the key in the dialog and clicks OK, then lets Wine read which keys X has down.
bool ChangeHotkey(Hazuro &hazuro, WORD hotkey)
{
    HWND dialog = hazuro.OpenSettings();
    RoundTrip(GetDlgItem(dialog, kHotkeyId), HKM_SETHOTKEY, hotkey);
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return dialog != NULL && hazuro.WaitForDialogEnd(dialog) && !WaitUntil([] { return false; }, 300);
}

using Hotkey = EndToEnd;

TEST_F(Hotkey, FadesAndGivesBackFromAnywhere)
{
    WriteIni("hazuro e2e key", 70);
    Launch();
    HWND target = Window("a - hazuro e2e key");
    ASSERT_TRUE(ChangeHotkey(*hazuro, MAKEWORD(VK_F9, HOTKEYF_CONTROL | HOTKEYF_SHIFT)));

    // Held through an auto-repeat, it fades once; pressed again, it gives back.
    SendKeys({VK_CONTROL, VK_SHIFT, VK_F9, VK_F9});
    WaitUntil([] { return false; }, 150);
    SendKeys({VK_F9, VK_SHIFT, VK_CONTROL}, KEYEVENTF_KEYUP);
    EXPECT_TRUE(BecomesFaded(target));
    EXPECT_FALSE(WaitUntil([target] { return !LayeredStateOf(target).layered; }, 300));
    SendKeys({VK_CONTROL, VK_SHIFT, VK_F9});
    WaitUntil([] { return false; }, 150);
    SendKeys({VK_F9, VK_SHIFT, VK_CONTROL}, KEYEVENTF_KEYUP);
    EXPECT_TRUE(WaitUntil([target] { return !LayeredStateOf(target).layered; }));

    // A new key, an extended one, frees the old one and works at once.
    ASSERT_TRUE(ChangeHotkey(*hazuro, MAKEWORD(VK_RIGHT, HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT)));
    EXPECT_TRUE(RegisterHotKey(NULL, 1, MOD_CONTROL | MOD_SHIFT, VK_F9)) << "the old key is held";
    UnregisterHotKey(NULL, 1);
    SendKeys({VK_CONTROL, VK_MENU, VK_RIGHT});
    SendKeys({VK_RIGHT, VK_MENU, VK_CONTROL}, KEYEVENTF_KEYUP);
    EXPECT_TRUE(BecomesFaded(target));

    // A key another program holds is said (as Wine names keys); the big button works on.
    ASSERT_TRUE(RegisterHotKey(NULL, 2, MOD_CONTROL | MOD_SHIFT, VK_F10));
    ASSERT_TRUE(ChangeHotkey(*hazuro, MAKEWORD(VK_F10, HOTKEYF_CONTROL | HOTKEYF_SHIFT)));
    ASSERT_EQ(hazuro->Close(), 0u);
    Launch();
    HWND box = hazuro->WaitForWindow("#32770", "hazuro");
    EXPECT_EQ(GetWindow(box, GW_OWNER), hazuro->window);
    EXPECT_EQ(TextOf(GetDlgItem(box, kMessageTextId)),
              "ショートカットキー「Control + Shift + F10」は、ほかのプログラムが使っているため"
              "使えません。\r\n「設定」でほかのキーを選べます。");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(hazuro->WaitForDialogEnd(box));
    UnregisterHotKey(NULL, 2);
    HWND later = Window("b - hazuro e2e key");
    ASSERT_TRUE(hazuro->PressApply());
    ExpectFaded(later, 70);
    ASSERT_TRUE(ChangeHotkey(*hazuro, 0));
    EXPECT_EQ(IniValue("hotkey"), "<missing>") << "a cleared key leaves the file";
}

// Held half a second or longer, the key acts only while it is held: let go,
// each window is as before, at its own opacity, and the automatic mode on.
// With 終了時に元に戻す, closing gives back.
TEST_F(Hotkey, HeldItOnlyPeeks)
{
    WriteWholeFile(IniPath(), "[config]\r\nietitle=hazuro e2e peek\r\nalpha=70\r\nauto=1\r\n"
                              "hotkey=888\r\n");  // Ctrl+Shift+F9
    Launch();
    HWND target = Window("a - hazuro e2e peek");
    EXPECT_TRUE(BecomesFaded(target));
    HWND found = ChangeSettings(*hazuro, NULL, 150);
    ASSERT_TRUE(found != NULL && hazuro->WaitForDialogEnd(found));
    WaitUntil([] { return false; }, 300);  // Wine reads which keys X has down
    SendKeys({VK_CONTROL, VK_SHIFT, VK_F9});
    EXPECT_TRUE(WaitUntil([target] { return !LayeredStateOf(target).layered; }));
    EXPECT_FALSE(BecomesFaded(target, 1500)) << "faded again while the key is held";
    SendKeys({VK_F9, VK_SHIFT, VK_CONTROL}, KEYEVENTF_KEYUP);
    EXPECT_TRUE(BecomesFaded(target));
    ExpectFaded(target, 70);
    EXPECT_EQ(IniValue("auto"), "1");
    // Where Windows hides the key's state (an administrator's program in front), its repeats tell.
    for (int i = 0; i < 8; ++i, WaitUntil([] { return false; }, 100))
        PostMessageA(hazuro->window, WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, VK_F9));
    ExpectUntouched(target);
    EXPECT_TRUE(BecomesFaded(target));
    EXPECT_EQ(IniValue("auto"), "1");

    ASSERT_TRUE(hazuro->Choose(kRestoreId));
    SendKeys({VK_CONTROL, VK_SHIFT, VK_F9});
    EXPECT_TRUE(BecomesFaded(target));
    ExpectFaded(target, 150);
    WaitUntil([] { return false; }, 700);
    SendKeys({VK_F9, VK_SHIFT, VK_CONTROL}, KEYEVENTF_KEYUP);
    EXPECT_TRUE(WaitUntil([target] { return !LayeredStateOf(target).layered; }));

    ASSERT_TRUE(hazuro->PressApply());
    ASSERT_TRUE(hazuro->Choose(kExitRestoreId));
    EXPECT_EQ(IniValue("restoreatexit"), "1");
    EXPECT_EQ(hazuro->Close(), 0u);
    ExpectUntouched(target);
}

// Argument: hazuro.exe as a Unix path (reached through drive Z:) or a Windows path.
std::string WindowsPath(std::string path)
{
    if (path.empty() || path[0] != '/')
        return path;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return "Z:" + path;
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: hazuro_e2e_tests [gtest options] PATH-OF-hazuro.exe\n");
        return 2;
    }
    ProductPath = WindowsPath(argv[1]);
    int result = RUN_ALL_TESTS();
    if (StartupCount > 0)
        printf("hazuro started %d times, %lu ms on average to its main window\n", StartupCount,
               StartupTotalMs / StartupCount);
    // ctest passes the run on this line only, so a run cut short cannot pass.
    if (result == 0)
        printf("hazuro e2e: complete, all passed\n");
    return result;
}
