// The small text and file helpers shared by the Windows operations; they
// call nothing else of win/.
#include <windows.h>

#include "file_helpers.h"

bool AnsiToWide(const char* text, WCHAR* out, int count)
{
    return MultiByteToWideChar(CP_ACP, 0, text, -1, out, count) > 0;
}

bool WideToUtf8(const WCHAR* text, char* out, size_t size)
{
    return WideCharToMultiByte(CP_UTF8, 0, text, -1, out, (int)size, NULL, NULL) > 0;
}

bool Utf8ToWide(const char* text, WCHAR* out, int count)
{
    return MultiByteToWideChar(CP_UTF8, 0, text, -1, out, count) > 0;
}

const LeadBytes* AnsiLeadBytes()
{
    static LeadBytes lead;
    static bool read;
    CPINFO info;
    // A code page without lead bytes (1252), or one GetCPInfo does not know,
    // keeps the ranges empty: every byte a character.
    if (!read && GetCPInfo(CP_ACP, &info)) memcpy(lead.ranges, info.LeadByte, sizeof lead.ranges);
    read = true;
    return &lead;
}

void FolderOfWidePath(WCHAR* path)
{
    int n = lstrlenW(path);
    while (n > 0 && path[n - 1] != '\\') --n;
    path[n] = 0;
}

bool ReadFilePart(const WCHAR* path, DWORD offset, void* data, DWORD size, DWORD* length)
{
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened, so a
    // folder of that name does not count.
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    *length = 0;
    LONG high = 0;   // with it, the offset reads as unsigned
    if (size && (SetFilePointer(file, (LONG)offset, &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
                 !ReadFile(file, data, size, length, NULL)))
        *length = 0;
    CloseHandle(file);
    return true;
}

bool CanReadFile(const WCHAR* path)
{
    DWORD length;
    return ReadFilePart(path, 0, NULL, 0, &length);
}

bool FileIdentity(const WCHAR* path, BY_HANDLE_FILE_INFORMATION* info)
{
    // Windows refuses a running program's file to an open that shares less;
    // a folder opens only with backup semantics.
    HANDLE file = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(file, info) != 0;
    CloseHandle(file);
    return ok;
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION* a, const BY_HANDLE_FILE_INFORMATION* b)
{
    return a->dwVolumeSerialNumber == b->dwVolumeSerialNumber && a->nFileIndexHigh == b->nFileIndexHigh &&
           a->nFileIndexLow == b->nFileIndexLow;
}
