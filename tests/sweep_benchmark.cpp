// sweep_benchmark N K: opens N top-level windows of which K (spread evenly)
// match, runs one sweep, and prints N, K, the windows the sweep visited and
// the time it took, then the time of one tick of the automatic mode after it.
// Not a test; run by hand under Wine.
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "settings/settings.h"
#include "test_windows.h"
#include "transparency/sweep.h"

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: sweep_benchmark N K\n");
        return 2;
    }
    int n = atoi(argv[1]);
    int k = atoi(argv[2]);
    if (n < 0 || k < 0 || k > n) {
        fprintf(stderr, "need 0 <= K <= N\n");
        return 2;
    }
    if (LoadLayeredWindowSupport() != LAYERED_OK)
        return 1;

    std::vector<HWND> windows;
    for (int i = 0; i < n; ++i) {
        bool match = k > 0 && (long long)i * k / n != (long long)(i + 1) * k / n;
        std::string title = "bench window " + std::to_string(i);
        if (match)
            title += " - hazuro bench target";
        windows.push_back(CreateTestWindow(title));
    }

    // Each search walks from the top to the first match left, and the last
    // one walks the whole list: add up the positions in the z-order now.
    lstrcpyA(Settings.ietitle, "hazuro bench target");
    Settings.alpha = 128;
    long long visited = 0;
    int position = 0;
    int topLevel = 0;
    char title[1000];
    for (HWND h = GetWindow(FindWindowA(NULL, NULL), GW_HWNDFIRST); h; h = GetWindow(h, GW_HWNDNEXT)) {
        ++position;
        ++topLevel;
        GetWindowTextA(h, title, sizeof title);
        if (IsWindowVisible(h) && !(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_LAYERED) &&
            TitleContains(title, Settings.ietitle))
            visited += position;
    }
    visited += topLevel;

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    RunTransparencySweep();
    QueryPerformanceCounter(&end);
    double ms = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;

    // A tick of the automatic mode once all that matches is faded: one walk.
    // No window of this process is spared, as none of hazuro's own would be.
    const int ticks = 20;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < ticks; ++i)
        RunAutomaticSweep(NULL);
    QueryPerformanceCounter(&end);
    double tickMs = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart / ticks;

    int faded = 0;
    for (HWND h : windows)
        if (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_LAYERED)
            ++faded;
    printf("n=%d k=%d top-level=%d walks=%d visited=%lld faded=%d time=%.1f ms tick=%.2f ms\n",
           n, k, topLevel, k + 1, visited, faded, ms, tickMs);
    for (HWND h : windows)
        DestroyWindow(h);
    return faded == k ? 0 : 1;
}
