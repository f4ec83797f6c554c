// A bare dialog: the wizard's template and resources with nothing behind them, shown until it
// is asked to close. bench/run times its start beside the installers', the
// floor any dialog program pays under wine (user32, the display driver, the
// dialog font).
#include <windows.h>

#include "../../res/resource.h"

static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM, LPARAM)
{
    if (message == WM_COMMAND || message == WM_CLOSE) PostQuitMessage(0);
    (void)window;
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, Procedure, 0);
    ShowWindow(window, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        if (!IsDialogMessageA(window, &msg)) DispatchMessageA(&msg);
    return 0;
}
