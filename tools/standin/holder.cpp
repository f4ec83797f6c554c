// A test tool that keeps a file in use as another program would, so the
// installer meets a locked file. Wide command line, so any path works:
//   holder load PATH READYFILE     loads PATH as a library, creates READYFILE
//                                  and stays until killed (a minute at most)
//   holder hold PATH MS READYFILE  opens PATH sharing nothing, creates
//                                  READYFILE, lets go after MS milliseconds
// READYFILE tells the test that the hold is in place. Exits 1 when the load
// or the open fails, 2 on a command it does not know.
#include <windows.h>
#include <shellapi.h>
#include <wchar.h>

static bool Ready(const WCHAR* path)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int argc = 0;
    WCHAR** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc == 4 && lstrcmpW(argv[1], L"load") == 0) {
        if (!LoadLibraryW(argv[2]) || !Ready(argv[3])) return 1;
        Sleep(60000);
        return 0;
    }
    if (argv && argc == 5 && lstrcmpW(argv[1], L"hold") == 0) {
        HANDLE file = CreateFileW(argv[2], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE || !Ready(argv[4])) return 1;
        Sleep(wcstoul(argv[3], NULL, 10));
        CloseHandle(file);
        return 0;
    }
    return 2;
}
