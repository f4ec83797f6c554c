// A stand-in for the player, for tests and the demo; it never ships.
// It honours the player's touch points: a top-level window of class
// "Winamp v1.x" that shuts down on WM_CLOSE. It appends what happens to it to
// winamp.log beside itself.
//
// A file standin.mode beside it, written by a test, picks a misbehaviour:
//   ignore-close  WM_CLOSE does nothing
//   hang          the window never answers messages
//   slow-exit     holds plugins\dsp_zv.dll open without sharing and, after
//                 WM_CLOSE, takes 1.5 s to exit and let it go
#include <windows.h>
#include <string.h>

static char g_folder[MAX_PATH];
static char g_mode[32];
static HANDLE g_heldModule = INVALID_HANDLE_VALUE;

static void Log(const char* line)
{
    char path[MAX_PATH + 16];
    lstrcpyA(path, g_folder);
    lstrcatA(path, "winamp.log");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(file, line, lstrlenA(line), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
    CloseHandle(file);
}

static void ReadMode()
{
    char path[MAX_PATH + 16];
    lstrcpyA(path, g_folder);
    lstrcatA(path, "standin.mode");
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD n = 0;
    ReadFile(file, g_mode, sizeof g_mode - 1, &n, NULL);
    g_mode[n] = 0;
    CloseHandle(file);
    for (char* p = g_mode; *p; ++p)
        if (*p == '\r' || *p == '\n' || *p == ' ') *p = 0;
}

static LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        if (lstrcmpA(g_mode, "ignore-close") == 0) {
            Log("close ignored");
            return 0;
        }
        Log("closed");
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    GetModuleFileNameA(NULL, g_folder, sizeof g_folder);
    char* slash = strrchr(g_folder, '\\');
    if (slash) slash[1] = 0;
    ReadMode();

    char line[MAX_PATH + 64];
    wsprintfA(line, "started args=[%s]", commandLine);
    Log(line);

    if (lstrcmpA(g_mode, "slow-exit") == 0) {
        char module[MAX_PATH + 32];
        lstrcpyA(module, g_folder);
        lstrcatA(module, "plugins\\dsp_zv.dll");
        g_heldModule = CreateFileA(module, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        Log(g_heldModule != INVALID_HANDLE_VALUE ? "holding module" : "no module to hold");
    }

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = PlayerWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = "Winamp v1.x";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("Winamp v1.x", "Winamp (stand-in)", WS_OVERLAPPEDWINDOW, 40, 40, 275, 116,
                                NULL, NULL, instance, NULL);
    ShowWindow(window, show);

    if (lstrcmpA(g_mode, "hang") == 0) {
        Log("hanging");
        Sleep(60000);
    }

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (g_heldModule != INVALID_HANDLE_VALUE) {
        Sleep(1500);
        CloseHandle(g_heldModule);
        Log("module released");
    }
    Log("exited");
    return 0;
}
