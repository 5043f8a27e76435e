#include "test_windows.h"

#include <stdio.h>

static const char kTestWindowClass[] = "HAZURO_TEST_WINDOW";

HWND CreateTestWindow(const std::string &title, int showCommand, WNDPROC windowProc)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = kTestWindowClass;
        RegisterClassA(&wc);
        registered = true;
    }
    HWND hwnd = CreateWindowExA(0, kTestWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                                200, 100, NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (windowProc != NULL)
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, (LONG_PTR)windowProc);
    ShowWindow(hwnd, showCommand);
    PumpMessages();
    return hwnd;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

static DWORD WINAPI RunWork(LPVOID work)
{
    ((void (*)())work)();
    return 0;
}

bool RunWhilePumping(void (*work)(), DWORD timeLimitMs)
{
    HANDLE thread = CreateThread(NULL, 0, RunWork, (LPVOID)work, 0, NULL);
    DWORD deadline = GetTickCount() + timeLimitMs;
    bool done = false;
    for (;;) {
        DWORD now = GetTickCount();
        if ((LONG)(deadline - now) <= 0)
            break;
        DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, deadline - now, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            done = true;
            break;
        }
        PumpMessages();
    }
    CloseHandle(thread);
    return done;
}

LayeredState LayeredStateOf(HWND hwnd)
{
    LayeredState state = {};
    state.layered = (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    COLORREF key = 0;
    if (state.layered)
        GetLayeredWindowAttributes(hwnd, &key, &state.alpha, &state.flags);
    return state;
}

std::string MakeTempDirectory()
{
    static int counter = 0;
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char name[MAX_PATH + 64];
    for (;;) {
        wsprintfA(name, "%shazuro-test-%lu-%d\\", base, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(name, NULL))
            return name;
    }
}

void RemoveDirectoryTree(const std::string &directory)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryTree(directory + name + "\\");
            else
                DeleteFileA((directory + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(directory.c_str());
}

std::string ReadWholeFile(const std::string &path)
{
    std::string content;
    FILE *file = fopen(path.c_str(), "rb");
    if (file == NULL)
        return content;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0)
        content.append(chunk, n);
    fclose(file);
    return content;
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteWholeFile(const std::string &path, const std::string &content)
{
    FILE *file = fopen(path.c_str(), "wb");
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
}
