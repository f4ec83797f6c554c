#include "replace_file.h"

enum {
    HOLD_WAIT_MS = 2000,   // what a scanner's look at a file takes, and more
    HOLD_STEP_MS = 50
};

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, NULL) && written == size;
}

bool WaitOutHold(HoldWait* wait, bool accessDenied)
{
    DWORD error = GetLastError();
    bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                (accessDenied && error == ERROR_ACCESS_DENIED);
    if (!held) return false;
    if (!wait->waiting) {
        wait->waiting = true;
        wait->started = GetTickCount();
        wait->previous = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    }
    if (GetTickCount() - wait->started >= HOLD_WAIT_MS) {
        SetLastError(error);
        return false;
    }
    Sleep(HOLD_STEP_MS);
    return true;
}

void EndHoldWait(HoldWait* wait)
{
    DWORD error = GetLastError();
    if (wait->waiting && wait->previous) SetCursor(wait->previous);
    wait->waiting = false;
    SetLastError(error);
}

HANDLE OpenWaiting(const WCHAR* path, DWORD share)
{
    HANDLE file;
    HoldWait wait = {};
    while ((file = CreateFileW(path, GENERIC_READ, share, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL)) ==
               INVALID_HANDLE_VALUE &&
           WaitOutHold(&wait, false)) {
    }
    EndHoldWait(&wait);
    return file;
}

bool RenameOver(const WCHAR* from, const WCHAR* path)
{
    // A rename over a file someone holds is refused with error 5, not 32.
    HoldWait wait = {};
    bool ok;
    while (!(ok = MoveFileExW(from, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) &&
           WaitOutHold(&wait, true)) {
    }
    EndHoldWait(&wait);
    return ok;
}

void DeleteKeepingError(const WCHAR* path)
{
    DWORD error = GetLastError();
    DeleteFileW(path);
    SetLastError(error);
}

bool WriteWholeFile(const WCHAR* tempPath, DWORD attributes, FileWriter write, void* context)
{
    // A copy left by a run that died half-way is ours to replace, and only
    // then is a delete paid for; CREATE_NEW then fails on anything else of
    // that name (a folder, a read-only file), with its own error as before.
    HANDLE file = CreateFileW(tempPath, GENERIC_WRITE, 0, NULL, CREATE_NEW, attributes, NULL);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
        DeleteFileW(tempPath);
        file = CreateFileW(tempPath, GENERIC_WRITE, 0, NULL, CREATE_NEW, attributes, NULL);
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    // Written through before the rename, so a crash cannot leave a renamed
    // but empty file behind.
    bool ok = write(file, context) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (!ok) DeleteKeepingError(tempPath);
    return ok;
}

bool ReplaceFileWith(const WCHAR* path, const WCHAR* tempPath, DWORD attributes, FileWriter write, void* context)
{
    if (!WriteWholeFile(tempPath, attributes, write, context)) return false;
    // One rename: the file is either the old one or the whole new one. Not
    // ReplaceFile, which can fail after taking the old file away.
    if (RenameOver(tempPath, path)) return true;
    DeleteKeepingError(tempPath);
    return false;
}

bool AsideName(const WCHAR* path, int n, WCHAR* out)
{
    if (lstrlenW(path) + 7 >= MAX_PATH) return false;
    wsprintfW(out, n == 1 ? L"%s.old" : L"%s.old%d", path, n);
    return true;
}

bool IsPlainFile(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

void ForEachAsideFile(const WCHAR* path, AsideFound found, void* context)
{
    WCHAR pattern[MAX_PATH], aside[MAX_PATH];
    if (!AsideName(path, 1, pattern)) return;
    int folder = lstrlenW(path);
    while (folder > 0 && path[folder - 1] != '\\') --folder;
    int stem = lstrlenW(pattern) - folder;   // the name and ".old"
    // Two dots in the pattern: no short (8.3) name can match it, so every
    // name found begins with the stem.
    lstrcatW(pattern, L"*");
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // Only the endings AsideName gives, ".old" and ".old<N>": others may
        // be the user's.
        if (lstrlenW(data.cFileName) < stem) continue;
        const WCHAR* digit = data.cFileName + stem;
        while (*digit >= '0' && *digit <= '9') ++digit;
        if (*digit || folder + lstrlenW(data.cFileName) >= MAX_PATH) continue;
        // Only a plain file is ever moved aside: a folder or a link of that
        // name is not ours.
        if (!IsPlainFile(data.dwFileAttributes)) continue;
        lstrcpynW(aside, path, folder + 1);
        lstrcatW(aside, data.cFileName);
        found(aside, data.dwFileAttributes, context);
    } while (FindNextFileW(search, &data));
    FindClose(search);
}
