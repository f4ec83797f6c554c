// "parent=<id>:<exe name>": which process started a stand-in. Read first
// thing; a parent that has already ended leaves the name empty.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

enum { PARENT_TEXT_BUFFER = MAX_PATH + 24 };

static void DescribeParent(char* out)
{
    DWORD parent = 0;
    char name[MAX_PATH] = "";
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    for (int pass = 0; pass < 2; ++pass) {
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
            if (pass == 0 && entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
            if (pass == 1 && parent && entry.th32ProcessID == parent) lstrcpynA(name, entry.szExeFile, MAX_PATH);
        }
    }
    if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
    wsprintfA(out, "parent=%lu:%s", parent, name);
}
