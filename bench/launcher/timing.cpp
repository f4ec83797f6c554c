#include "timing.h"

#include <algorithm>
#include <string.h>
#include <string>

double NowMs()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

const char* BaseName(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}

bool StartChild(const char* exe, const char* arguments, PROCESS_INFORMATION* info, double* startMs)
{
    std::string folder(exe, BaseName(exe) - exe);
    // Quoted: an unquoted path with spaces is tried as C:\Program.exe first.
    std::string line = std::string("\"") + exe + "\"";
    if (arguments && *arguments) line += std::string(" ") + arguments;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    *startMs = NowMs();
    return CreateProcessA(exe, buffer.data(), NULL, NULL, FALSE, 0, NULL,
                          folder.empty() ? NULL : folder.c_str(), &startup, info) != 0;
}

struct WindowSearch {
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK MatchVisible(HWND window, LPARAM parameter)
{
    WindowSearch* search = (WindowSearch*)parameter;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleWindowOf(DWORD pid)
{
    WindowSearch search = { pid, NULL };
    EnumWindows(MatchVisible, (LPARAM)&search);
    return search.found;
}

void EndChild(PROCESS_INFORMATION* info, HWND window, DWORD graceMs)
{
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info->hProcess, window ? graceMs : 0) != WAIT_OBJECT_0) {
        TerminateProcess(info->hProcess, 99);
        WaitForSingleObject(info->hProcess, 10000);
    }
    CloseHandle(info->hThread);
    CloseHandle(info->hProcess);
    info->hThread = info->hProcess = NULL;
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Smallest(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double Largest(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}
