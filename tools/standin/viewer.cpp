// A stand-in document viewer for tests: registered for .html in a test
// prefix, it appends what it was asked to open, and how it was to be shown,
// and which process started it, to viewer.log beside itself, and exits.
#include <windows.h>
#include <string.h>

#include "parent.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int show)
{
    char parent[PARENT_TEXT_BUFFER];
    DescribeParent(parent);
    char path[MAX_PATH + 16];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    lstrcpyA(slash ? slash + 1 : path, "viewer.log");
    char line[1024];
    wsprintfA(line, "open show=%d args=%.600s %s\r\n", show, commandLine, parent);
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, line, lstrlenA(line), &written, NULL);
        CloseHandle(file);
    }
    return 0;
}
