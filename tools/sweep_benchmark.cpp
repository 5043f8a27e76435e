// sweep_benchmark N K [top|bottom|spread [rules]]: opens N top-level windows of
// which K match in a process of its own, as a user's windows belong to other
// programs, the K at the top of the z-order, at the bottom or spread evenly
// (the default). Then it runs one sweep and prints N, K, the order, the
// top-level windows on the desktop, the windows faded and the time the sweep
// took, then the time of one tick of the automatic mode after it. With
// "rules", it gives them back and sweeps once more with sixteen rules, seven
// of them program names, of which only the last matches, and prints that
// sweep's time beside the first.
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

int main(int argc, char **argv)
{
    if (argc == 6 && strcmp(argv[1], "--serve") == 0)
        return ServeWindows(atoi(argv[2]), atoi(argv[3]), argv[4], argv[5]);
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

    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, "hazuro-bench-ready");
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, sizeof exe);
    std::string commandLine = std::string("\"") + exe + "\" --serve " + argv[1] + " " + argv[2] +
                              " " + order + " hazuro-bench-ready";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION helper;
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &helper) ||
        WaitForSingleObject(ready, 120000) != WAIT_OBJECT_0)
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
