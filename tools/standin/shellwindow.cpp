// A test tool that plays the desktop's shell window. Under wine no process
// sets one, so GetShellWindow is NULL and the installer always takes its
// no-shell branch. This claims the place with a window of its own: from then
// on GetShellWindow returns it in every process of the prefix, and the
// installer takes this process's token for the desktop user's.
//   shellwindow [SECONDS]   stays until killed, or SECONDS (default 120)
// Exits 1 when a shell window is already set, or SetShellWindow is missing or
// refuses.
#include <windows.h>
#include <stdlib.h>

typedef BOOL(WINAPI* SetShellWindowProc)(HWND);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    int seconds = arguments && *arguments ? atoi(arguments) : 120;
    WNDCLASSA type = {};
    type.lpfnWndProc = DefWindowProcA;
    type.hInstance = instance;
    type.lpszClassName = "ZUV stand-in shell";
    // Never shown: it must not cover the windows a scenario samples.
    HWND window = RegisterClassA(&type) ? CreateWindowA(type.lpszClassName, "Program Manager", WS_POPUP, 0, 0, 0, 0,
                                                        NULL, NULL, instance, NULL)
                                        : NULL;
    // Not in every user32 import library; present in every Windows since NT 4.
    SetShellWindowProc setShellWindow =
        (SetShellWindowProc)(void*)GetProcAddress(GetModuleHandleA("user32.dll"), "SetShellWindow");
    if (!window || !setShellWindow || GetShellWindow() || !setShellWindow(window)) return 1;
    // Messages keep flowing, so a program that sends to the shell window
    // gets an answer; the thread's timer ends the stay.
    SetTimer(NULL, 0, (UINT)(seconds > 0 ? seconds : 120) * 1000, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0 && message.message != WM_TIMER) DispatchMessageA(&message);
    DestroyWindow(window);
    return 0;
}
