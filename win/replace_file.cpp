#include "replace_file.h"

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, NULL) && written == size;
}

bool ReplaceFileWith(const char* path, const char* tempPath, DWORD attributes, FileWriter write, void* context)
{
    // A copy left by a run that died half-way is ours to replace; CREATE_NEW
    // then fails on anything else of that name (a folder, a read-only file).
    DeleteFileA(tempPath);
    HANDLE file = CreateFileA(tempPath, GENERIC_WRITE, 0, NULL, CREATE_NEW, attributes, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = write(file, context);
    // Written through before the rename, so a crash cannot leave a renamed
    // but empty file behind.
    ok = FlushFileBuffers(file) && ok;
    ok = CloseHandle(file) && ok;
    // One rename: the file is either the old one or the whole new one. Not
    // ReplaceFileA, which can fail after taking the old file away.
    if (ok) ok = MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) DeleteFileA(tempPath);
    return ok;
}
