// sweep_benchmark N K [top|bottom|spread [rules]]: opens N top-level windows of
// which K match in a process of its own, as a user's windows belong to other
// programs, the K at the top of the z-order, at the bottom or spread evenly
// (the default). Then it runs one sweep and prints N, K, the order, the
// top-level windows on the desktop, the windows faded and the time the sweep
// took, then the time of one tick of the automatic mode after it. With
// "rules", it gives them back and sweeps once more with sixteen rules, seven
// of them program names, of which only the last matches, and prints that
// sweep's time beside the first.
// sweep_benchmark --move-mouse SECONDS moves the pointer a pixel to and fro
// about 300 times a second, as a hand moving the mouse does.
// sweep_benchmark --notch: with a hazuro running whose wheel item is on, opens
// 300 windows in a process of its own and turns the wheel over the top one,
// with Ctrl and Alt held, ten notches down and ten up, and prints how long
// each took to show on the window.
// sweep_benchmark --tray-menu: opens the notification-area menu of a running
// hazuro, as a right-click on its icon does (for tools/screenshots.sh: Wine's
// own tray window takes no click from xdotool).
// Not a test; tools/benchmark.sh runs it under Wine.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "settings/settings.h"
#include "test_windows.h"
#include "transparency/mark.h"
#include "transparency/sweep.h"

static const char kPattern[] = "hazuro bench target";

// The helper process: makes the windows, then answers them until it is ended.
static int ServeWindows(int n, int k, const char *order, const char *readyEvent)
{
    for (int i = 0; i < n; ++i) {
        // Made last, a window is on top.
        bool match = strcmp(order, "top") == 0      ? i >= n - k
                     : strcmp(order, "bottom") == 0 ? i < k
                                                    : k > 0 && (long long)i * k / n !=
                                                                   (long long)(i + 1) * k / n;
        std::string title = "bench window " + std::to_string(i);
        CreateTestWindow(match ? title + " - " + kPattern : title);
    }
    SetEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, readyEvent));
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

static void SendInputs(std::initializer_list<INPUT> inputs)
{
    SendInput((UINT)inputs.size(), (INPUT *)inputs.begin(), sizeof(INPUT));
}

static INPUT Key(WORD key, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = flags;
    return input;
}

static INPUT Mouse(DWORD flags, LONG dx, DWORD data)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = dx;
    input.mi.mouseData = data;
    return input;
}

// In a corner, where no window's messages follow the pointer.
static int MoveMouse(int seconds)
{
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    DWORD end = GetTickCount() + seconds * 1000;
    for (LONG dx = 1; (LONG)(GetTickCount() - end) < 0; dx = -dx, Sleep(3))
        SendInputs({Mouse(MOUSEEVENTF_MOVE, dx, 0)});
    return 0;
}

static double MillisecondsSince(const LARGE_INTEGER &start);
static PROCESS_INFORMATION StartServing(const char *n, const char *k, const char *order);

static BYTE AlphaOf(HWND hwnd)
{
    BYTE alpha = 255;
    if (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED)
        GetLayeredWindowAttributes(hwnd, NULL, &alpha, NULL);
    return alpha;
}

static int TurnNotches()
{
    PROCESS_INFORMATION helper = StartServing("300", "0", "spread");
    HWND top = FindWindowA(NULL, "bench window 299");
    RECT rect;
    GetWindowRect(top, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    double total = 0, worst = 0;
    for (int i = 0; i < 20; ++i) {
        BYTE before = AlphaOf(top);
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        // Wine forgets injected keys once the mouse moves: held anew for each notch.
        SendInputs({Key(VK_CONTROL, 0), Key(VK_MENU, 0),
                    Mouse(MOUSEEVENTF_WHEEL, 0, (DWORD)(i < 10 ? -WHEEL_DELTA : WHEEL_DELTA)),
                    Key(VK_MENU, KEYEVENTF_KEYUP), Key(VK_CONTROL, KEYEVENTF_KEYUP)});
        while (AlphaOf(top) == before && MillisecondsSince(start) < 2000)
            Sleep(0);
        double ms = MillisecondsSince(start);
        total += ms;
        worst = ms > worst ? ms : worst;
    }
    printf("wheel: 20 notches over the top one of 300 windows of another program: "
           "%.1f ms on average, %.1f ms at most, opacity %d at the end\n",
           total / 20, worst, AlphaOf(top));
    TerminateProcess(helper.hProcess, 0);
    return 0;
}

static BOOL CALLBACK CountWindow(HWND hwnd, LPARAM lParam)
{
    int *counts = (int *)lParam;
    char title[1000] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    ++counts[0];
    if (strstr(title, kPattern) != NULL && (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED))
        ++counts[1];
    return TRUE;
}

static double MillisecondsSince(const LARGE_INTEGER &start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
}

// The helper process, once its windows are made; no process where it fails.
static PROCESS_INFORMATION StartServing(const char *n, const char *k, const char *order)
{
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, "hazuro-bench-ready");
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, sizeof exe);
    std::string commandLine = std::string("\"") + exe + "\" --serve " + n + " " + k + " " + order +
                              " hazuro-bench-ready";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION helper = {};
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &helper) ||
        WaitForSingleObject(ready, 120000) != WAIT_OBJECT_0)
        helper.hProcess = NULL;
    return helper;
}

int main(int argc, char **argv)
{
    if (argc == 6 && strcmp(argv[1], "--serve") == 0)
        return ServeWindows(atoi(argv[2]), atoi(argv[3]), argv[4], argv[5]);
    if (argc == 3 && strcmp(argv[1], "--move-mouse") == 0)
        return MoveMouse(atoi(argv[2]));
    if (argc == 2 && strcmp(argv[1], "--notch") == 0)
        return TurnNotches();
    if (argc == 2 && strcmp(argv[1], "--tray-menu") == 0)
        return !PostMessageA(FindWindowA("HAZURO_CLASS", NULL), WM_APP + 2, 1, WM_RBUTTONUP);
    const char *order = argc >= 4 ? argv[3] : "spread";
    bool rules = argc == 5 && strcmp(argv[4], "rules") == 0;
    int n = argc >= 3 ? atoi(argv[1]) : -1;
    int k = argc >= 3 ? atoi(argv[2]) : -1;
    if (argc < 3 || argc > 5 || (argc == 5 && !rules) || n < 0 || k < 0 || k > n) {
        fprintf(stderr, "usage: sweep_benchmark N K [top|bottom|spread [rules]], 0 <= K <= N\n");
        return 2;
    }
    if (LoadLayeredWindowSupport() != LAYERED_OK)
        return 1;

    PROCESS_INFORMATION helper = StartServing(argv[1], argv[2], order);
    if (helper.hProcess == NULL)
        return 1;

    lstrcpyA(Settings.rules[0].ietitle, kPattern);
    Settings.ruleCount = 1;
    Settings.rules[0].alpha = 128;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    RunTransparencySweep();
    double ms = MillisecondsSince(start);

    // A tick of the automatic mode once all that matches is faded: one walk.
    const int ticks = 20;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < ticks; ++i) {
        RunAutomaticSweep(NULL);
    }
    double tickMs = MillisecondsSince(start) / ticks;

    int counts[2] = {0, 0};  // top-level windows, faded matches
    EnumWindows(CountWindow, (LPARAM)counts);
    printf("n=%d k=%d order=%s top-level=%d faded=%d time=%.1f ms tick=%.2f ms\n", n, k, order,
           counts[0], counts[1], ms, tickMs);
    if (rules) {
        RestoreFadedWindows();
        for (int i = 0; i < RULE_LIMIT; ++i) {
            Rule &rule = Settings.rules[i];
            rule.program = i % 2 == 1 && i < 15;
            wsprintfA(rule.ietitle, rule.program ? "no-such-program-%d.exe" : "no such title %d", i);
            rule.alpha = 64;
        }
        lstrcpyA(Settings.rules[RULE_LIMIT - 1].ietitle, kPattern);
        Settings.ruleCount = RULE_LIMIT;
        QueryPerformanceCounter(&start);
        RunTransparencySweep();
        double rulesMs = MillisecondsSince(start);
        counts[0] = counts[1] = 0;
        EnumWindows(CountWindow, (LPARAM)counts);
        printf("16 rules, 7 of them programs, the last matching: faded=%d time=%.1f ms, "
               "%.2f times the one rule's\n", counts[1], rulesMs, rulesMs / ms);
    }
    TerminateProcess(helper.hProcess, 0);
    WaitForSingleObject(helper.hProcess, 10000);
    return counts[1] == k ? 0 : 1;
}
